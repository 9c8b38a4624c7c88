// The column table: the texts each kind of row shows in each display mode, when the row
// was made in that mode and after a switch to it; the headers the modes give.
#include <QTest>

#include "DecoderFixture.h"

using namespace daridez;
using namespace daridez::test;

namespace {

// One of every kind of row: a START row whose marker came after a timer wrap, a LIN
// frame of eight data bytes and its checksum, a device error, an overflow, a short and a
// long bad frame, a later start marker, and a LIN frame cut short by Stop.
const QByteArray kEveryKind =
    "02A0A2 058200070000"
    "0490100000 059110015500 05921003C100 059310060100 0594100A0200 0595100F0300"
    "059610150400 0597101C0500 059810240600 0599102D0700 059A10370800 059B10421A00"
    "059C20004200 03F00000 0190 09900102030405060708 058200090000"
    "0490300000 059130105500 05923020C100 059330300100 059430400200";

// "abs", "id", "dec": the modes other than the first ones.
DisplayModes modesOf(const QString& text) {
    const QStringList words = text.split(' ');
    return {!words.contains("abs"), !words.contains("id"), !words.contains("dec")};
}

// The rows' texts MsgNr..Check, "|" between them, trailing empty ones left out.
QStringList texts(const DecoderFixture& f) {
    QStringList lines;
    for (const TraceEntry* row : f.listRows()) {
        QStringList cells;
        for (int c = 0; c < kListColumnCount; ++c) cells << f.text(row, Column(c));
        while (cells.last().isEmpty()) cells.removeLast();
        lines << cells.join('|');
    }
    return lines;
}

}  // namespace

class TestColumns : public QObject {
    Q_OBJECT

  private slots:
    // Rows: the modes the rows are made in, the modes switched to after them ("" for
    // none), the texts.
    void everyRowKindInEveryMode_data() {
        QTest::addColumn<QString>("made");
        QTest::addColumn<QString>("switched");
        QTest::addColumn<QStringList>("rows");
        // Each row's relative time counts from the row before that a frame opened (start
        // markers do not count) until a switch: then from the row made before it, whatever
        // it is; the START row shows its marker's time then. CS is plain hexadecimal until
        // a switch of the data mode.
        const auto add = [](const char* made, const char* switched, const QString& rows) {
            QTest::newRow(qPrintable(QString("%1 / %2").arg(made, switched)))
                << QString(made) << QString(switched) << rows.split(" / ");
        };
        // Rows 2 to 6 (the device error, the overflow, the bad frames and the second start
        // marker) in relative and in absolute times.
        const QString relative =
            " / 2|+ 00:00:00,004096|#42 / 3|+ 00:00:00,000000|#BufOvfl / "
            "4|+ 00:00:00,000000|#err [01,90] / 5|+ 00:00:00,000000|#err [09,90,01,02,03,04..] / "
            "6|+ 00:00:00,000000|START (9) / ";
        const QString absolute =
            " / 2|00:00:00,073728|#42 / 3|00:00:00,073728|#BufOvfl / "
            "4|00:00:00,073728|#err [01,90] / 5|00:00:00,073728|#err [09,90,01,02,03,04..] / "
            "6|00:00:00,073728|START (9) / ";
        add("", "",
            "0|+ 00:00:00,000000|START (7) / "
            "1|+ 00:00:00,069632|Break|55|[C1]|01h|02h|03h|04h|05h|06h|07h|08h|1A|enhanced" +
                relative + "7|+ 00:00:00,004096|Break|55|[C1]|01h|02h||||||||cut");
        add("abs id dec", "",
            "0|00:00:00,000000|START (7) / "
            "1|00:00:00,069632|Break|55|(01)|001|002|003|004|005|006|007|008|1A|enhanced" +
                absolute + "7|00:00:00,077824|Break|55|(01)|001|002||||||||cut");
        add("", "abs id dec",
            "0|00:00:00,065536|START (7) / "
            "1|00:00:00,069632|Break|55|(01)|001|002|003|004|005|006|007|008|026|enhanced" +
                absolute + "7|00:00:00,077824|Break|55|(01)|001|002||||||||cut");
        add("abs id dec", "rel pid hex",
            "0|+ 00:00:00,065536|START (7) / "
            "1|+ 00:00:00,004096|Break|55|[C1]|01h|02h|03h|04h|05h|06h|07h|08h|1Ah|enhanced" +
                relative + "7|+ 00:00:00,004096|Break|55|[C1]|01h|02h||||||||cut");
        add("", "id",
            "0|+ 00:00:00,000000|START (7) / "
            "1|+ 00:00:00,069632|Break|55|(01)|01h|02h|03h|04h|05h|06h|07h|08h|1A|enhanced" +
                relative + "7|+ 00:00:00,004096|Break|55|(01)|01h|02h||||||||cut");
        add("", "dec",
            "0|+ 00:00:00,000000|START (7) / "
            "1|+ 00:00:00,069632|Break|55|[C1]|001|002|003|004|005|006|007|008|026|enhanced" +
                relative + "7|+ 00:00:00,004096|Break|55|[C1]|001|002||||||||cut");
    }

    // A switch of the data mode while a LIN frame is still open: the bytes that came
    // before and after it follow the mode, its CS, made after the switch, stays plain
    // until the next switch.
    void checksumMadeAfterASwitchIsPlainUntilTheNext() {
        DecoderFixture f;
        f.feed(
            hex("0490100000 059110015500 05921003C100 059310060100 0594100A0200 0595100F0300"
                "059610150400 0597101C0500"));
        f.session.applyDisplayModes(modesOf("dec"));
        f.feed(hex("059810240600 0599102D0700 059A10370800 059B10421A00"));
        QCOMPARE(texts(f).last(),
                 "1|+ 00:00:00,004096|Break|55|[C1]|001|002|003|004|005|006|007|008|1A|enhanced");
        f.session.applyDisplayModes(modesOf(""));
        QCOMPARE(texts(f).last(),
                 "1|+ 00:00:00,004096|Break|55|[C1]|01h|02h|03h|04h|05h|06h|07h|08h|1Ah|enhanced");
    }

    // The Check tip explains the verdict and, where the frame's log named the other
    // checksum model, says so (the frame's sum is the enhanced one).
    void checkTipTellsTheLogsOtherModel_data() {
        QTest::addColumn<QString>("logModel");
        QTest::addColumn<QString>("tip");
        const QString explained = "enhanced: checksum 1A over identifier C1 and 8 data bytes";
        QTest::newRow("no log") << "" << explained;
        QTest::newRow("log: enhanced") << "enhanced" << explained;
        QTest::newRow("log: classic")
            << "classic"
            << explained + "\nlog: the log that held this frame named the classic model";
    }
    void checkTipTellsTheLogsOtherModel() {
        QFETCH(QString, logModel);
        DecoderFixture f;
        f.feed(hex(kEveryKind));
        const TraceEntry* frame = f.listRows().at(1);
        if (!logModel.isEmpty())
            f.list.notes().add(
                {frame->time, RowNotes::Kind::LogChecksum, 0, logModel.toStdString(), ""});
        QTEST(QString::fromStdString(
                  ColumnAt(Column::Check).toolTip(*frame, f.list.textForm(), nullptr)),
              "tip");
    }

    void everyRowKindInEveryMode() {
        QFETCH(QString, made);
        QFETCH(QString, switched);
        DecoderFixture f;
        f.session.applyDisplayModes(modesOf(made));
        f.feed(hex(kEveryKind));
        if (!switched.isEmpty())
            f.session.applyDisplayModes(modesOf(switched));
        QTEST(texts(f), "rows");
    }
};

QTEST_GUILESS_MAIN(TestColumns)
#include "tst_columns.moc"
