// The "ID summary" table over the per-identifier summary, under Qt's model tester: new
// identifiers come as inserted rows, a refresh changes only the rows whose figures changed,
// and emptying removes them all.
#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include "DecoderFixture.h"
#include "app/IdSummaryModel.h"
#include "lin/IdSummary.h"

using namespace daridez;
using namespace daridez::test;

namespace {

// One frame at a time stamp: break, sync, identifier byte, a data byte 00 and its checksum
// (so that it passes its check even as the trace's last row).
QByteArray frame(int stamp, const char* pid, const char* checksum) {
    const QByteArray t = QByteArray::number(0x1000 + stamp, 16);
    return hex("0490" + t + "00 0591" + t + "5500 0592" + t + pid + "00 0593" + t + "0000 0594" +
               t + checksum + "00");
}

}  // namespace

class TestIdSummaryModel : public QObject {
    Q_OBJECT

  private slots:
    void refreshInsertsNewIdentifiersAndChangesOnlyTheirRows() {
        DecoderFixture trace;
        IdSummary summary;
        IdSummaryModel model(summary);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QStringList told;
        connect(&model, &QAbstractItemModel::rowsInserted, this,
                [&](const QModelIndex&, int first, int last) {
                    told << QString("inserted %1-%2").arg(first).arg(last);
                });
        connect(&model, &QAbstractItemModel::dataChanged, this,
                [&](const QModelIndex& from, const QModelIndex& to) {
                    told << QString("changed %1-%2").arg(from.row()).arg(to.row());
                });
        connect(&model, &QAbstractItemModel::rowsRemoved, this,
                [&](const QModelIndex&, int first, int last) {
                    told << QString("removed %1-%2").arg(first).arg(last);
                });
        std::size_t added = 0;
        const auto take = [&](const QByteArray& frames) {
            trace.feed(frames);
            const auto rows = trace.listRows();
            for (; added < rows.size(); ++added) summary.add(*rows[added]);
            model.refresh();
            told << QString("rows %1").arg(model.rowCount());
        };
        take(frame(0x000, "C1", "3E") + frame(0x400, "42", "BD"));
        take(frame(0x800, "42", "BD"));
        take(frame(0xC00, "03", "FC"));
        take({});
        summary.clear();
        model.removeAll();
        QCOMPARE(told, (QStringList{"inserted 0-1", "rows 2", "changed 1-1", "rows 2",
                                    "inserted 2-2", "rows 3", "rows 3", "removed 0-2"}));
        QCOMPARE(model.rowCount(), 0);
    }
};

QTEST_MAIN(TestIdSummaryModel)
#include "tst_idsummarymodel.moc"
