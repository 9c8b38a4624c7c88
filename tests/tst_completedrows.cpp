// Rows handed on by daridez-dump once complete: streaming, each as the next one begins
// with every row before it freed, so a trace of any length holds two rows at most; kept
// whole, all of them at the end in creation order. A frame broken off by a new start is
// judged cut when it is handed on.
#include <QTest>

#include "DecoderFixture.h"
#include "lin/FrameCheck.h"
#include "tools/live/CompletedRows.h"

using namespace daridez;

namespace {

// A LIN frame of one data byte and its checksum, a device error, a frame broken off after
// its first response byte by a start marker, then a break alone at the end.
const QByteArray kTrace = QByteArray::fromHex(
    "0490001000 059100205500 059200302000 059300400100 05940050DE00 059C00604200"
    "0490011000 059101205500 059201302000 059301400100 058200050000 0490020000");

}  // namespace

class TestCompletedRows : public QObject {
    Q_OBJECT

  private slots:
    // Each row handed on: "MsgNr Info verdict / rows the list held then".
    void rowsAreHandedOnOnceComplete_data() {
        QTest::addColumn<bool>("streaming");
        QTest::addColumn<QString>("handedOn");
        QTest::newRow("streaming") << true
                                   << "0 START / 2, 1 Break enhanced / 2, 2 #42 / 2, "
                                      "3 Break cut / 2, 4 START (5) / 2, 5 Break cut / 1";
        QTest::newRow("whole") << false
                               << "0 START / 6, 1 Break enhanced / 6, 2 #42 / 6, "
                                  "3 Break cut / 6, 4 START (5) / 6, 5 Break cut / 6";
    }
    void rowsAreHandedOnOnceComplete() {
        QFETCH(bool, streaming);
        test::DecoderFixture trace;
        QStringList handedOn;
        CompletedRows rows(trace.list, streaming, [&](const TraceEntry& row) {
            const std::string verdict = CheckFrame(row).text();
            handedOn << QString("%1 %2%3 / %4")
                            .arg(trace.text(&row, Column::MsgNr), trace.text(&row, Column::Info),
                                 verdict.empty() ? "" : " " + QString::fromStdString(verdict))
                            .arg(trace.list.rowCount());
        });
        TraceSession session(trace.list, trace.buffer, rows);
        std::copy(kTrace.begin(), kTrace.end(), trace.buffer.bytes.begin());
        session.decoder.SplitFrames(trace.buffer.bytes.data(), std::int32_t(kTrace.size()), true);
        rows.finish();
        QTEST(handedOn.join(", "), "handedOn");
    }
};

QTEST_GUILESS_MAIN(TestCompletedRows)
#include "tst_completedrows.moc"
