// The one cursor over the complete rows of a growing trace: it stops at the row the
// decoder may still fill, passes over rows freed from the head before it read them,
// starts over on an emptied list and keeps to a limit.
#include <QTest>

#include "DecoderFixture.h"
#include "lin/CompletedRowCursor.h"

using namespace daridez;
using namespace daridez::test;

namespace {

// n LIN frames of identifier 3C, each with one data byte, 4096 us apart.
QByteArray frames(int n) {
    QByteArray bytes;
    for (int i = 1; i <= n; ++i) bytes += linFrame(i * 16, 0x3C, "01");
    return bytes;
}

}  // namespace

class TestCompletedRowCursor : public QObject {
    Q_OBJECT

  private slots:
    void readsTheCompleteRowsOnce_data() {
        QTest::addColumn<QString>("steps");  // ";" between: see the test
        QTest::addColumn<QString>("read");   // each step's positions, " / " between
        // A trace of a START row and five frames: positions 0..5.
        QTest::newRow("every row complete, then none new") << "all; all"
                                                           << "0 1 2 3 4 5 / ";
        QTest::newRow("the open row and those after it wait") << "open 3; open 3; all"
                                                              << "0 1 2 /  / 3 4 5";
        QTest::newRow("rows freed before they were read are passed over") << "free 2; all"
                                                                          << "2 3 4 5";
        QTest::newRow("rows freed after a read: the rest from the new head")
            << "open 2; free 4; all"
            << "0 1 / 4 5";
        QTest::newRow("up to a limit, then on from it") << "end 3; all"
                                                        << "0 1 2 / 3 4 5";
        QTest::newRow("an emptied list starts over") << "all; empty 2; all"
                                                     << "0 1 2 3 4 5 / restart / 0 1 2";
        QTest::newRow("a list not emptied is no restart") << "open 2; same; all"
                                                          << "0 1 / same / 2 3 4 5";
    }

    // Steps: "all" reads every complete row; "open N" with position N still open; "end N"
    // up to position N; "free N" frees the rows before position N; "empty N" empties the
    // list and decodes N frames anew, "same" asks without; both answer "restart" or "same".
    void readsTheCompleteRowsOnce() {
        QFETCH(QString, steps);
        QFETCH(QString, read);
        DecoderFixture f;
        f.feed(frames(5));
        QCOMPARE(f.list.rowCount(), 6u);
        CompletedRowCursor cursor;
        QStringList answers;
        for (const QString& step : steps.split("; ")) {
            const QStringList words = step.split(' ');
            const std::uint64_t n = words.size() > 1 ? words[1].toULongLong() : 0;
            QStringList positions;
            const auto visit = [&](std::uint64_t position, const TraceEntry& row) {
                QCOMPARE(&row, f.list.at(position - f.list.headSerial()));
                positions << QString::number(position);
            };
            if (words[0] == "free") {
                f.list.FreeRowsBefore(f.list.at(n - f.list.headSerial()));
                continue;
            }
            if (words[0] == "empty" || words[0] == "same") {
                if (words[0] == "empty")
                    f.session.clear(), f.feed(frames(int(n)));
                answers << (cursor.restartIfEmptied(f.list) ? "restart" : "same");
                continue;
            }
            const TraceEntry* open =
                words[0] == "open" ? f.list.at(n - f.list.headSerial()) : nullptr;
            const std::uint64_t count =
                cursor.read(f.list, open, visit, words[0] == "end" ? n : kNoLimit);
            QCOMPARE(count, std::uint64_t(positions.size()));
            answers << positions.join(' ');
        }
        QCOMPARE(answers.join(" / "), read);
    }
};

QTEST_GUILESS_MAIN(TestCompletedRowCursor)
#include "tst_completedrowcursor.moc"
