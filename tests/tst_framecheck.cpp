// The verdict of a LIN frame row: parity, sync, response and the checksum model, and
// the words that explain a failure.
#include <QTest>

#include "DecoderFixture.h"
#include "lin/FrameCheck.h"

using namespace daridez;
using namespace daridez::test;

namespace {

// The device frames of one LIN frame: a break, a sync byte (none when sync is -1), an
// identifier byte (none when pid is -1), then the response bytes.
QByteArray linFrame(int sync, int pid, const QByteArray& response) {
    QByteArray frames = hex("0490001000");
    if (sync >= 0)
        frames += hex("0591002000").insert(4, char(sync));
    if (pid >= 0)
        frames += hex("0592003000").insert(4, char(pid));
    for (qsizetype i = 0; i < response.size(); ++i)
        frames += hex("05" + QByteArray::number(0x93 + i, 16) + "004000").insert(4, response[i]);
    return frames;
}

}  // namespace

class TestFrameCheck : public QObject {
    Q_OBJECT

  private slots:
    void verdictOfEachRow_data() {
        QTest::addColumn<QByteArray>("frames");
        QTest::addColumn<QString>("verdict");
        const auto frame = [](const char* name, int sync, int pid, const char* response,
                              const char* verdict) {
            QTest::newRow(name) << linFrame(sync, pid, hex(response)) << QString(verdict);
        };
        // Identifiers 3C and 3D take the classic checksum only.
        frame("3C classic", 0x55, 0x3C, "7F06B223174601 03 43", "classic");
        frame("3C enhanced refused", 0x55, 0x3C, "7F06B223174601 03 07", "checksum");
        frame("7D classic", 0x55, 0x7D, "0106F201000000 FF 05", "classic");
        frame("7D enhanced refused", 0x55, 0x7D, "0106F201000000 FF 87", "checksum");
        // 80 + 80 lands on 100 exactly: the carry wraps it to 01.
        frame("C1 classic, a sum on 100", 0x55, 0xC1, "8080FE 00", "classic");
        frame("C1 enhanced, a sum on 100", 0x55, 0xC1, "8080FE 3E", "enhanced");
        frame("C1 enhanced", 0x55, 0xC1, "1111 1C", "enhanced");
        frame("A3 enhanced", 0x55, 0xA3, "1122 29", "enhanced");
        frame("50 enhanced, 8 bytes", 0x55, 0x50, "0102030405060708 8B", "enhanced");
        frame("50 classic, 8 bytes", 0x55, 0x50, "0102030405060708 DB", "classic");
        frame("50 over the raw identifier", 0x55, 0x50, "0102030405060708 CB", "checksum");
        // FF adds nothing to a carry-sum: both models give 80, classic is named.
        frame("both models match: classic", 0x55, 0xFF, "7F 80", "parity,classic");
        frame("parity with a valid checksum", 0x55, 0x05, "11 EE", "parity,classic");
        frame("sync", 0x54, 0xC1, "1111 1C", "sync,enhanced");
        frame("no sync", -1, -1, "", "no-sync,no-id");
        frame("no identifier", 0x55, -1, "", "no-id");
        frame("no response", 0x55, 0xC1, "", "no-response");
        frame("short", 0x55, 0xC1, "11", "short");
        frame("everything wrong", 0x00, 0x01, "1234 00", "sync,parity,checksum");
        QTest::newRow("start row") << hex("058200010000") << QString();
        QTest::newRow("device error") << hex("059C00104200") << QString();
        QTest::newRow("buffer overflow") << hex("03F00000") << QString();
        QTest::newRow("bad frame") << hex("014200") << QString();
    }

    void verdictOfEachRow() {
        QFETCH(QByteArray, frames);
        QFETCH(QString, verdict);
        const FrameVerdict result = CheckFrame(rowOf(frames));
        QCOMPARE(QString::fromStdString(result.text()), verdict);
        QCOMPARE(result.failed(),
                 !verdict.isEmpty() && verdict != "classic" && verdict != "enhanced");
    }

    // What the tool tip says: what was expected, and a known fault by its name.
    void explanationNamesWhatWasExpected_data() {
        QTest::addColumn<QByteArray>("frames");
        QTest::addColumn<QString>("text");
        QTest::newRow("raw identifier")
            << linFrame(0x55, 0x50, hex("0102030405060708CB"))
            << "checksum CB: expected 8B (enhanced) or DB (classic); CB is the enhanced checksum "
               "over the raw identifier 10";
        QTest::newRow("parity") << linFrame(0x55, 0x05, hex("11EE"))
                                << "parity: 05 should be 85 for identifier 05\n"
                                   "classic: checksum EE over 1 data byte";
        QTest::newRow("diagnostic frame in enhanced")
            << linFrame(0x55, 0x3C, hex("7F06B2231746010307"))
            << "checksum 07: expected 43 (classic; identifier 3C always uses the classic "
               "checksum); 07 is the enhanced checksum";
        QTest::newRow("good") << linFrame(0x55, 0xC1, hex("11111C"))
                              << "enhanced: checksum 1C over identifier C1 and 2 data bytes";
    }

    void explanationNamesWhatWasExpected() {
        QFETCH(QByteArray, frames);
        QTEST(QString::fromStdString(ExplainFrame(ReadLinFrame(rowOf(frames)))), "text");
    }

  private:
    // The row the frames make, closed by a following break: the row before the last.
    const TraceEntry& rowOf(const QByteArray& frames) {
        fixture_ = std::make_unique<DecoderFixture>();
        fixture_->feed(frames + hex("0490FF0000"));
        const std::vector<TraceEntry*> rows = fixture_->listRows();
        return *rows.at(rows.size() - 2);
    }

    std::unique_ptr<DecoderFixture> fixture_;
};

QTEST_GUILESS_MAIN(TestFrameCheck)
#include "tst_framecheck.moc"
