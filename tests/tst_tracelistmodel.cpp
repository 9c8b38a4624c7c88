// The trace list's model: texts, tips and colours per column, the row index and its
// growth, batched insertion, clearing, the header-click sort and the search filter.
#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <cstring>
#include <random>

#include "lin/Columns.h"
#include "lin/Query.h"
#include "protocol/TraceSession.h"
#include "trace/RowFrames.h"
#include "trace/TraceList.h"
#include "view/RowSort.h"
#include "view/TraceListModel.h"

using namespace daridez;

namespace {

// A trace list under a model watched by the item-model tester, and the decoder of its
// session feeding the model as its row sink. Rows added by hand are opened by the given
// frame (a device error "#42" unless told) and made at time, relative to time 0.
struct Rows {
    TraceEntry* add(std::int32_t number, const QByteArray& frame = "059C00004200",
                    std::int64_t time = 1000) {
        last = list.CreateEntry(number, time, 0, {0x00F0E0D0, 0x00102030});
        const QByteArray bytes = QByteArray::fromHex(frame);
        StoreOpener(last, reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                    static_cast<std::uint8_t>(bytes[0]));
        model.AppendRow(last, number);
        return last;
    }
    // One device-error row per code ("#0A" for 0x0A), numbered from 0, published in one
    // batch.
    void fill(const QList<int>& codes) {
        for (int code : codes)
            add(static_cast<int>(model.indexCount()),
                "059C0000" + QByteArray::number(code, 16).rightJustified(2, '0') + "00");
        model.endOfBatch();
    }
    // Device frames as one batch (SplitFrames).
    void feed(const QByteArray& hexText) {
        const QByteArray bytes = QByteArray::fromHex(hexText);
        std::memcpy(buffer.bytes.data(), bytes.constData(), bytes.size());
        buffer.carryOver =
            session.decoder
                .SplitFrames(buffer.bytes.data(), static_cast<std::int32_t>(bytes.size()), true)
                .carryOver;
    }
    void search(const char* text) {
        std::string error;
        model.setQuery(Query::parse(text, error));
        QVERIFY2(error.empty(), error.c_str());
    }
    QStringList column(int c) const {
        QStringList texts;
        for (int row = 0; row < model.rowCount(); ++row)
            texts << model.index(row, c).data().toString();
        return texts;
    }

    TraceList list;
    ReceiveBuffer buffer;
    TraceListModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::QtTest};
    TraceSession session{list, buffer, model};
    TraceEntry* last = nullptr;
};

// LIN frames as the device reports them: identifier 0x3C, and 0x10 (identifier byte 50h).
const QByteArray kHead3C = "0490001000 059100205500 059200303C00";
const QByteArray kHead10 = "0490010000 059101105500 059201205000";
const QByteArray kData7F = "059300407F00";
const QByteArray kData01 = "059301300100";
const QByteArray kDataFF = "05930140FF00";

void* reallocUnless(void* block, std::size_t size, void* failing) {
    return *static_cast<bool*>(failing) ? nullptr : std::realloc(block, size);
}

}  // namespace

class TestTraceListModel : public QObject {
    Q_OBJECT

  private slots:
    // A START row, a LIN frame of 12 fields and a device error from the decoder. Each cell
    // shows its text under its header; its tip tells when its frame came (Info: the time,
    // later columns: the time since the frame before; none in MsgNr and TimeStamp, nor where
    // no frame came); MsgNr and TimeStamp take window text, the others the row's colour.
    void cellsShowTextTipAndColourUnderTheirHeaders() {
        Rows rows;
        rows.model.setRowColours({0x00F0E0D0, 0x00102030});
        rows.feed(
            "0490100000 059110015500 05921003C100 059310060100 0594100A0200 0595100F0300"
            "059610150400 0597101C0500 059810240600 0599102D0700 059A10370800"
            "059B10421A00 059C20004200");
        QStringList headers, texts, tips;
        for (int c = 0; c < rows.model.columnCount(); ++c)
            headers << rows.model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        const QColor expected[] = {QColor(0x30, 0x20, 0x10), QColor(0, 255, 0), QColor(255, 0, 0)};
        for (int row = 0; row < 3; ++row) {
            QStringList text, tip;
            for (int c = 0; c < rows.model.columnCount(); ++c) {
                const QModelIndex index = rows.model.index(row, c);
                text << index.data().toString();
                if (c >= int(Column::Check))
                    continue;  // Check and Frame: their own tips and backgrounds
                const QVariant tipData = index.data(Qt::ToolTipRole);
                tip << (tipData.isValid() ? tipData.toString() : "-");
                QCOMPARE(index.data(Qt::BackgroundRole).value<QColor>(), QColor(0xD0, 0xE0, 0xF0));
                QCOMPARE(index.data(Qt::ForegroundRole),
                         c < 2 ? QVariant() : QVariant::fromValue(expected[row]));
            }
            texts << text.join('|');
            tips << tip.join('|');
        }
        QCOMPARE(headers.join('|'),
                 "MsgNr|rel. TimeStamp|Info|Sync|[ID]|DB0|DB1|DB2|DB3|DB4|DB5|"
                 "DB6|DB7|CS|Check|Frame");
        QCOMPARE(texts, QStringList({"0|+ 00:00:00,000000|START|||||||||||||",
                                     "1|+ 00:00:00,004096|Break|55|[C1]|01h|02h|03h|04h|05h|06h|"
                                     "07h|08h|1A|enhanced|",
                                     "2|+ 00:00:00,004096|#42|||||||||||||"}));
        QCOMPARE(tips, QStringList({"-|-|-|-|-|-|-|-|-|-|-|-|-|-",
                                    "-|-|00:00:00,004096|+ 00:00:00,000001|+ 00:00:00,000002|"
                                    "+ 00:00:00,000003|+ 00:00:00,000004|+ 00:00:00,000005|"
                                    "+ 00:00:00,000006|+ 00:00:00,000007|+ 00:00:00,000008|"
                                    "+ 00:00:00,000009|+ 00:00:00,000010|+ 00:00:00,000011",
                                    "-|-|00:00:00,008192|-|-|-|-|-|-|-|-|-|-|-"}));
    }

    // A row the index cannot grow for stays in the trace list but is not shown; the next
    // row grows the index again, and the rows stored keep their places.
    void aFailedGrowthOfTheIndexLosesNoStoredRow() {
        Rows rows;
        bool failing = false;
        rows.model.setReallocator(reallocUnless, &failing);
        QVERIFY(!rows.model.AppendRow(nullptr, 0));
        rows.add(0);
        while (rows.model.indexCount() < rows.model.indexCapacity())
            rows.add(static_cast<int>(rows.model.indexCount()));
        rows.model.endOfBatch();
        const std::uint32_t full = rows.model.indexCount();
        TraceEntry* first = rows.model.entryAt(0);

        QSignalSpy inserted(&rows.model, &QAbstractItemModel::rowsInserted);
        failing = true;
        TraceEntry* refused = rows.add(static_cast<int>(full));
        rows.model.endOfBatch();
        QVERIFY(rows.model.indexCount() == full && rows.model.indexCapacity() == full);
        QVERIFY(rows.model.rowCount() == static_cast<int>(full) && inserted.isEmpty());
        QCOMPARE(rows.model.entryAt(full), nullptr);
        QCOMPARE(rows.list.lastRow(), refused);  // the row stays in the trace list
        // The next row tries to grow again; the rows already stored keep their places.
        failing = false;
        TraceEntry* next = rows.add(static_cast<int>(full) + 1);
        QVERIFY(rows.model.indexCapacity() > full);
        QVERIFY(rows.model.entryAt(0) == first && rows.model.entryAt(full) == next);
    }

    void rowsArePublishedInOneInsertionPerBatchUntilClear() {
        Rows rows;
        QSignalSpy inserted(&rows.model, &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(&rows.model, &QAbstractItemModel::modelReset);
        for (int i = 0; i < 3; ++i) rows.add(i);
        QVERIFY(rows.model.rowCount() == 0 && inserted.isEmpty());
        rows.model.endOfBatch();
        rows.fill({0x0E, 0x0F});
        rows.model.endOfBatch();  // nothing new: no signal
        QCOMPARE(inserted.count(), 2);
        QCOMPARE(inserted[0].mid(1) + inserted[1].mid(1), QVariantList({0, 2, 3, 4}));
        QCOMPARE(reset.count(), 0);

        for (int i = 5; i < 501; ++i) rows.add(i);
        rows.model.setLive(true);
        rows.model.clearRows();
        QVERIFY(rows.model.rowCount() == 0 && rows.model.indexCount() == 0 && !rows.model.isLive());
        // A trace loaded after the clear reuses the memory.
        rows.list.FreeTraceList();
        rows.fill({0x0A, 0x0B});
        QCOMPARE(rows.model.indexCapacity(), 1000u);
        QCOMPARE(rows.column(0), QStringList({"0", "1"}));
    }

    // MsgNr sorts by number and leaves the memory of the last text sort alone; another
    // column toggles on repeated clicks and starts ascending when it was not the last.
    // Clicks while live ("live" to "stop") or outside the columns are refused.
    void headerClicksToggleAndRememberTheTextSort_data() {
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<QString>("infos");
        // Rows b, c, a (device errors #0B, #0C, #0A) with syncs #0A, 55, #80.
        for (QString row :
             {"2 -> a b c", "2 2 -> c b a", "2 2 2 -> a b c", "2 0 -> b c a", "0 0 -> b c a",
              "2 0 2 -> c b a", "3 -> b a c", "2 3 -> b a c", "2 3 2 -> a b c", "live 2 0 -> b c a",
              "15 -1 -> b c a", "live 2 stop 2 -> a b c", "2 live 2 stop 2 -> c b a"}) {
            const QString clicks = row.section(" -> ", 0, 0);
            QTest::newRow(qPrintable(row))
                << clicks
                << row.section(" -> ", 1).toUpper().replace(QRegularExpression("(\\w)"), "#0\\1");
        }
    }

    void headerClicksToggleAndRememberTheTextSort() {
        QFETCH(QString, clicks);
        Rows rows;
        QVERIFY(rows.model.sortByHeaderClick(0));  // an empty list sorts too
        rows.fill({0x0B, 0x0C, 0x0A});
        for (const auto& [row, sync] : {std::pair{0, 0x0A}, {1, 0x55}, {2, 0x80}}) {
            const std::uint8_t field[5] = {5, 0x91, 0, 0, std::uint8_t(sync)};
            StoreField(rows.model.entryAt(row), field);
        }
        QSignalSpy layout(&rows.model, &QAbstractItemModel::layoutChanged);
        int sorts = 0;
        for (const QString& click : clicks.split(' ')) {
            const int c = click.toInt();
            const bool takes = !rows.model.isLive() && click[0].isDigit() && c < kListColumnCount;
            if (click == "live" || click == "stop")
                rows.model.setLive(click == "live");
            else
                QCOMPARE(rows.model.sortByHeaderClick(c), takes);
            sorts += takes;
        }
        QCOMPARE(layout.count(), sorts);
        QTEST(rows.column(2).join(' '), "infos");
    }

    // Rows: the column, then "text: frame at time" rows in ascending order.
    void columnsSortInTheirOwnOrder_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("ordered");
        // Two recordings, numbered from 0 each.
        QTest::newRow("MsgNr") << 0 << QStringList{"0", "0", "1", "1", "2", "2"};
        // Bytes compare as unsigned: "-" before the digits.
        QTest::newRow("TimeStamp") << 1
                                   << QStringList{"+ 00:00:00,-000001: 0490000000 at -1",
                                                  "+ 00:00:00,999999: 0490000000 at 999999",
                                                  "+ 00:00:01,000000: 0490000000 at 1000000",
                                                  "+ 01:00:00,000000: 0490000000 at 3600000000"};
        // Letter case does not count: #FA after #err.
        QTest::newRow("Info") << 2
                              << QStringList{"#3A: 059C00003A00",
                                             "#BufOvfl: 03F00000",
                                             "#E5: 059C0000E500",
                                             "#err [05,77,03,04,05,06]: 057703040506",
                                             "#err [06,77,03,04,05,06..]: 06770304050607",
                                             "#FA: 059C0000FA00",
                                             "Break: 0490000000",
                                             "START (7): 058200070000"};
    }

    void columnsSortInTheirOwnOrder() {
        QFETCH(int, column);
        QFETCH(QStringList, ordered);
        QStringList ascending;
        for (const QString& row : ordered) ascending << row.section(": ", 0, 0);
        Rows rows;
        for (int i = 0; i < ordered.size(); ++i) {  // in a shuffled order
            const QString row = ordered[(i * 7 + 3) % ordered.size()];
            const QString frame = row.section(": ", 1).section(" at ", 0, 0);
            const qint64 time = row.contains(" at ") ? row.section(" at ", 1).toLongLong() : 1000;
            rows.add(column == 0 ? row.toInt() : i,
                     frame.isEmpty() ? "059C00004200" : frame.toLatin1(), time);
        }
        rows.model.endOfBatch();
        rows.model.sortByHeaderClick(column);
        QCOMPARE(rows.column(column), ascending);
        rows.model.sortByHeaderClick(column);  // MsgNr stays ascending, the others turn
        const QStringList descending(ascending.rbegin(), ascending.rend());
        QCOMPARE(rows.column(column), column == 0 ? ascending : descending);
    }

    // The sort compares packed heads of the texts first; rows whose texts share long
    // heads (bad frames of 25 and 26 characters) or differ in case must still come out in
    // text order.
    void sortAgreesWithPlainTextComparisonOnLongSimilarTexts() {
        Rows rows;
        std::mt19937 random(4711);
        const char* frames[] = {"0677010203040506", "0577010203040506", "0877010203040506",
                                "059C0000FA00",     "059C0000E500",     "03F00000"};
        for (int i = 0; i < 3000; ++i) {
            QByteArray frame = frames[random() % std::size(frames)];
            if (frame.size() > 10 && random() % 2 != 0)
                frame[11] = "0A"[random() % 2];  // the sixth byte differs now and then
            rows.add(i, frame, std::int64_t(random() % 4000000) - 1000);
        }
        rows.model.endOfBatch();
        const auto text = [&](const TraceEntry* e, int column) {
            CellScratch scratch;
            return QByteArray(CellText(*e, rows.model.textForm(), Column(column), scratch));
        };
        for (auto [column, ascending] : {std::pair{2, true}, {2, false}, {1, true}}) {
            rows.model.sortByHeaderClick(column);
            for (std::uint32_t row = 1; row < rows.model.indexCount(); ++row) {
                const QByteArray a = text(rows.model.entryAt(row - 1), column);
                const QByteArray b = text(rows.model.entryAt(row), column);
                const int order = column == 1 ? CompareBytes(a, b) : CompareIgnoringCase(a, b);
                QVERIFY2(ascending ? order <= 0 : order >= 0, qPrintable(QString::number(row)));
            }
        }
    }

    // The sort publishes the rows still pending, reorders only the index, and the
    // selection follows its row.
    void sortReordersTheIndexOnlyAndTheSelectionFollows() {
        Rows rows;
        rows.fill({0x0D, 0x0A, 0x0C});
        rows.add(3, "059C00000B00");
        QItemSelectionModel selection(&rows.model);
        selection.setCurrentIndex(rows.model.index(1, 3),
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        for (int row : {0, 3}) {  // a b c d, then d c b a
            rows.model.sortByHeaderClick(2);
            QCOMPARE(selection.selectedRows(), QModelIndexList{rows.model.index(row, 0)});
            QCOMPARE(selection.currentIndex(), rows.model.index(row, 3));
        }
        QCOMPARE(rows.column(2), QStringList({"#0D", "#0C", "#0B", "#0A"}));
        QString walked;
        for (const TraceEntry& e : rows.list) walked += QString::number(SlotValue(e, Slot::Opener));
        QCOMPARE(walked, "13101211");

        // A mode switch is one layout change keeping the selection.
        QSignalSpy layout(&rows.model, &QAbstractItemModel::layoutChanged);
        QSignalSpy inserted(&rows.model, &QAbstractItemModel::rowsInserted);
        QSignalSpy headers(&rows.model, &QAbstractItemModel::headerDataChanged);
        for (int twice = 0; twice < 2; ++twice)  // the second switch changes nothing
            rows.model.setDisplayModes(rows.session, DisplayModes{false, false, true});
        QVERIFY(layout.count() == 1 && headers.count() == 1 && inserted.count() == 0);
        QCOMPARE(rows.session.modes().relativeTime, false);
        QCOMPARE(selection.currentIndex(), rows.model.index(3, 3));
    }

    // The last row of a batch may still be filled by the next one: its verdict is open
    // until then, and a change of it is the only time a row leaves the list. While a
    // trace is live, a query on verdicts leaves the open row out until it is complete or
    // the trace ends.
    void onlyMatchesComeInOneInsertionPerBatch_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("live");
        QTest::addColumn<QList<QByteArray>>("batches");
        QTest::addColumn<QStringList>("shown");  // the data bytes of the rows shown at the end
        QTest::addColumn<QString>("insertedRemoved");  // how many insertions, how many removals
        QTest::newRow("complete rows")
            << "id=3C" << false
            << QList<QByteArray>{kHead3C + kData7F + kHead10 + kData01 + kHead3C + kData7F,
                                 kHead10 + kData01 + kHead3C + kData01}
            << QStringList{"7Fh", "7Fh", "01h"} << "2 0";
        QTest::newRow("open row comes to match")
            << "data=7F" << false << QList<QByteArray>{kHead3C, kData7F + kHead10 + kData01}
            << QStringList{"7Fh"} << "1 0";
        QTest::newRow("open row stops matching")
            << "!data=7F" << false << QList<QByteArray>{kHead3C, kData7F + kHead10 + kData01}
            << QStringList{"", "01h"} << "2 1";  // the recording's START row, then B
        QTest::newRow("no new match")
            << "id=3C" << false << QList<QByteArray>{kHead3C + kData7F, kHead10 + kData01}
            << QStringList{"7Fh"} << "1 0";
        // A header alone (open, it would read cut), then closed: no response; a short 3C; the
        // short 10 at the end is cut by the end of the trace.
        QTest::newRow("live: the open row waits for its verdict")
            << "!bad" << true << QList<QByteArray>{kHead10, kHead3C + kData7F + kHead10 + kData01}
            << QStringList{"", "01h"} << "2 0";
        QTest::newRow("live: the end of the trace judges the open row")
            << "check=cut" << true << QList<QByteArray>{kHead3C + kData7F + kHead10 + kData01}
            << QStringList{"01h"} << "1 0";
    }

    // While live, the open last row's verdict shows, and a query on verdicts takes it, once
    // its frame is complete by what is known; else only when the next row or the end comes.
    void aLiveOpenRowIsJudgedOnceComplete_data() {
        QTest::addColumn<QByteArray>("frames");
        QTest::addColumn<QString>("check");  // the open row's Check cell while live
        QTest::addColumn<int>("matches");    // of check=classic while live
        QTest::newRow("a valid checksum") << kHead3C + kData7F + "059400418000"
                                          << "classic" << 1;
        QTest::newRow("a byte short of its checksum") << kHead3C + kData7F << "" << 0;
        QTest::newRow("a wrong last byte") << kHead3C + kData7F + "059400410100"
                                           << "" << 0;
    }
    void aLiveOpenRowIsJudgedOnceComplete() {
        QFETCH(QByteArray, frames);
        Rows trace;
        trace.model.setLive(true);
        trace.search("check=classic");
        trace.feed(frames);
        QTEST(trace.column(int(Column::Check)).last(), "check");
        QTEST(int(trace.model.matchCount()), "matches");
    }

    void onlyMatchesComeInOneInsertionPerBatch() {
        QFETCH(QString, query);
        QFETCH(bool, live);
        QFETCH(QList<QByteArray>, batches);
        Rows trace;
        trace.model.setLive(live);
        trace.search(qPrintable(query));
        trace.model.setShowOnlyMatches(true);
        QSignalSpy inserted(&trace.model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&trace.model, &QAbstractItemModel::rowsRemoved);
        for (const QByteArray& batch : batches) trace.feed(batch);
        trace.model.setLive(false);
        QTEST(trace.column(5), "shown");
        QTEST(QString("%1 %2").arg(inserted.count()).arg(removed.count()), "insertedRemoved");
        QCOMPARE(trace.model.matchCount(), std::uint32_t(trace.model.rowCount()));
        trace.model.setShowOnlyMatches(false);
        QCOMPARE(std::uint32_t(trace.model.rowCount()), trace.model.indexCount());
    }

    // A recorded trace at its row budget: the oldest rows leave in one removal at the
    // top, shown in full or only the matches, and the search goes on over the rest. Sorted
    // by Info (the START row behind the Breaks, new rows behind it), the oldest row is found
    // where it is, in a layout change, and then leaves from the top again.
    void oldestRowsLeaveFromTheTopInOneRemoval_data() {
        QTest::addColumn<bool>("onlyMatches");
        QTest::addColumn<bool>("sorted");
        QTest::addColumn<QStringList>("shown");  // the message numbers shown at the end
        // The rows each removal (-) and insertion (+) of the second batch took, in order.
        QTest::addColumn<QString>("changes");
        QTest::newRow("all rows") << false << false << QStringList{"3", "4", "5", "6"}
                                  << "-0-0 -0-0 -0-0 +1-3";
        QTest::newRow("only matches") << true << false << QStringList{"4", "6"} << "-0-0 +0-1";
        QTest::newRow("sorted") << false << true << QStringList{"3", "4", "5", "6"}
                                << "-0-0 -0-0 +1-3";
        QTest::newRow("sorted, only matches")
            << true << true << QStringList{"4", "6"} << "-0-0 +0-1";
    }

    void oldestRowsLeaveFromTheTopInOneRemoval() {
        QFETCH(bool, onlyMatches);
        QFETCH(bool, sorted);
        Rows trace;
        trace.search("id=3C");
        trace.model.setShowOnlyMatches(onlyMatches);
        trace.list.setRowBudget(4);
        trace.session.decoder.setRing(true);
        trace.feed(kHead10 + kData01 + kHead3C + kData7F + kHead10 + kData01);
        if (sorted) {
            QVERIFY(trace.model.sortByHeaderClick(2));
        }
        QStringList changes;
        const auto note = [&changes](QChar kind) {
            return [&changes, kind](const QModelIndex&, int first, int last) {
                changes << kind + QString("%1-%2").arg(first).arg(last);
            };
        };
        connect(&trace.model, &QAbstractItemModel::rowsRemoved, this, note('-'));
        connect(&trace.model, &QAbstractItemModel::rowsInserted, this, note('+'));
        trace.feed(kHead3C + kData7F + kHead10 + kData01 + kHead3C + kData7F);
        QTEST(trace.column(0), "shown");
        QTEST(changes.join(' '), "changes");
        QCOMPARE(trace.model.indexCount(), 4u);
        QCOMPARE(trace.model.matchCount(), 2u);
    }

    // Steps in display order: three forward from before the first row (-1), one back from
    // row 0, one back from -1 (the last row itself included); each row found, "w" where the
    // step wrapped; then the match number of the last row found. Rows: START, 10 FF, 3C 7F,
    // 10 01, 3C FF.
    void findStepsInDisplayOrder_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("sorted");  // by DB0, falling: FF FF 7F 01, then START
        QTest::addColumn<bool>("onlyMatches");
        QTest::addColumn<QString>("steps");
        QTest::newRow("last row matches") << "ffh" << false << false << "1 4 1w 4w 4 #2";
        QTest::newRow("last row matches by identifier")
            << "id=3C" << false << false << "2 4 2w 4w 4 #2";
        QTest::newRow("last match before the last row")
            << "id=10" << false << false << "1 3 1w 3w 3 #2";
        QTest::newRow("only matches shown") << "id=3C" << false << true << "0 1 0w 1w 1 #2";
        QTest::newRow("one match") << "data=7F" << false << false << "2 2w 2w 2w 2 #1";
        QTest::newRow("sorted") << "ffh" << true << false << "0 1 0w 1w 1 #2";
        // Identifier 10's frames at positions 0 and 3 are rows 0 and 1.
        QTest::newRow("sorted, only matches") << "id=10" << true << true << "0 1 0w 1w 1 #2";
    }
    void findStepsInDisplayOrder() {
        QFETCH(QString, query);
        QFETCH(bool, sorted);
        QFETCH(bool, onlyMatches);
        Rows trace;
        trace.feed(kHead10 + kDataFF + kHead3C + kData7F + kHead10 + kData01 + kHead3C + kDataFF);
        if (sorted)
            QVERIFY(trace.model.sortByHeaderClick(5) && trace.model.sortByHeaderClick(5));
        trace.search(qPrintable(query));
        trace.model.setShowOnlyMatches(onlyMatches);
        QStringList steps;
        int row = -1;
        bool wrapped = false;
        for (const auto& [from, forward] :
             {std::pair{-2, true}, {-2, true}, {-2, true}, {0, false}, {-1, false}}) {
            row = trace.model.findMatch(from == -2 ? row : from, forward, wrapped);
            steps << QString::number(row) + (wrapped ? "w" : "");
        }
        steps << QString("#%1").arg(trace.model.matchNumber(row));
        QTEST(steps.join(' '), "steps");
    }

    // A display-mode switch judges the rows again: FF reads "255" in decimal data.
    void aModeSwitchJudgesTheRowsAgain() {
        Rows trace;
        trace.feed(kHead10 + kDataFF + kHead3C + kData7F + kHead10 + kData01 + kHead3C + kDataFF);
        trace.search("ffh");
        trace.model.setShowOnlyMatches(true);
        trace.model.setDisplayModes(trace.session, DisplayModes{true, true, false});
        QVERIFY(trace.model.rowCount() == 0 && trace.model.matchCount() == 0);
        bool wrapped = false;
        QCOMPARE(trace.model.findMatch(-1, true, wrapped), -1);
        trace.search("255");
        QCOMPARE(trace.model.rowCount(), 2);
    }
};

QTEST_GUILESS_MAIN(TestTraceListModel)
#include "tst_tracelistmodel.moc"
