// The trace list's model: texts, tips and colours per column, the row index and its
// growth, batched insertion, clearing, the header-click sort and the search filter.
#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTest>
#include <cstring>
#include <random>

#include "lin/Columns.h"
#include "lin/Query.h"
#include "protocol/TraceSession.h"
#include "trace/TraceList.h"
#include "view/RowSort.h"
#include "view/TraceListModel.h"

using namespace daridez;

namespace {

// A trace list under a model watched by the item-model tester, and the decoder of its
// session feeding the model as its row sink. Rows added by hand get the given Info text.
struct Rows {
    TraceEntry* add(std::int32_t number, const char* info, std::int64_t time = 1000) {
        last = list.CreateEntry(last, number, time, {0x00F0E0D0, 0x00102030});
        qstrncpy(last->infoText, info, sizeof last->infoText);
        model.AppendRow(last, number);
        return last;
    }
    // One row per Info text, numbered from 0, published in one batch.
    void fill(const QStringList& infos) {
        for (const QString& info : infos)
            add(static_cast<int>(model.indexCount()), qPrintable(info));
        model.endOfBatch();
    }
    // Device frames as one batch (SplitFrames).
    void feed(const QByteArray& hexText) {
        const QByteArray bytes = QByteArray::fromHex(hexText);
        std::memcpy(buffer.bytes.data(), bytes.constData(), bytes.size());
        buffer.carryOver = session.decoder.SplitFrames(
            buffer.bytes.data(), static_cast<std::int32_t>(bytes.size()), true);
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
        rows.add(0, "Break");
        while (rows.model.indexCount() < rows.model.indexCapacity())
            rows.add(static_cast<int>(rows.model.indexCount()), "Break");
        rows.model.endOfBatch();
        const std::uint32_t full = rows.model.indexCount();
        TraceEntry* first = rows.model.entryAt(0);

        QSignalSpy inserted(&rows.model, &QAbstractItemModel::rowsInserted);
        failing = true;
        TraceEntry* refused = rows.add(static_cast<int>(full), "Break");
        rows.model.endOfBatch();
        QVERIFY(rows.model.indexCount() == full && rows.model.indexCapacity() == full);
        QVERIFY(rows.model.rowCount() == static_cast<int>(full) && inserted.isEmpty());
        QCOMPARE(rows.model.entryAt(full), nullptr);
        QCOMPARE(rows.model.entryAt(full - 1)->next, refused);  // the row stays in the trace list
        failing = false;
        TraceEntry* next = rows.add(static_cast<int>(full) + 1, "Break");
        QVERIFY(rows.model.indexCapacity() > full);
        QVERIFY(rows.model.entryAt(0) == first && rows.model.entryAt(full) == next);
    }

    void rowsArePublishedInOneInsertionPerBatchUntilClear() {
        Rows rows;
        QSignalSpy inserted(&rows.model, &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(&rows.model, &QAbstractItemModel::modelReset);
        for (int i = 0; i < 3; ++i) rows.add(i, "Break");
        QVERIFY(rows.model.rowCount() == 0 && inserted.isEmpty());
        rows.model.endOfBatch();
        rows.fill({"x", "y"});
        rows.model.endOfBatch();  // nothing new: no signal
        QCOMPARE(inserted.count(), 2);
        QCOMPARE(inserted[0].mid(1) + inserted[1].mid(1), QVariantList({0, 2, 3, 4}));
        QCOMPARE(reset.count(), 0);

        for (int i = 5; i < 501; ++i) rows.add(i, "Break");
        rows.model.setLive(true);
        rows.model.clearRows();
        QVERIFY(rows.model.rowCount() == 0 && rows.model.indexCount() == 0 && !rows.model.isLive());
        // A trace loaded after the clear reuses the memory.
        rows.list.FreeTraceList();
        rows.last = nullptr;
        rows.fill({"a", "b"});
        QCOMPARE(rows.model.indexCapacity(), 1000u);
        QCOMPARE(rows.column(0), QStringList({"0", "1"}));
    }

    // MsgNr sorts by number and leaves the memory of the last text sort alone; another
    // column toggles on repeated clicks and starts ascending when it was not the last.
    // Clicks while live ("live" to "stop") or outside the columns are refused.
    void headerClicksToggleAndRememberTheTextSort_data() {
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<QString>("infos");
        for (const QString row :
             {"2 -> a b C", "2 2 -> C b a", "2 2 2 -> a b C", "2 0 -> b C a", "0 0 -> b C a",
              "2 0 2 -> C b a", "3 -> b a C", "2 3 -> b a C", "2 3 2 -> a b C", "live 2 0 -> b C a",
              "15 -1 -> b C a", "live 2 stop 2 -> a b C", "2 live 2 stop 2 -> C b a"})
            QTest::newRow(qPrintable(row)) << row.section(" -> ", 0, 0) << row.section(" -> ", 1);
    }

    void headerClicksToggleAndRememberTheTextSort() {
        QFETCH(QString, clicks);
        Rows rows;
        QVERIFY(rows.model.sortByHeaderClick(0));  // an empty list sorts too
        rows.fill({"b", "C", "a"});
        const char* syncs[] = {"0Ah", "80h", "55h"};
        for (int row = 0; row < 3; ++row) qstrcpy(rows.model.entryAt(row)->syncText, syncs[row]);
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

    void columnsSortInTheirOwnOrder_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("ascending");
        // Two recordings, numbered from 0 each.
        QTest::newRow("MsgNr") << 0 << QStringList{"0", "0", "1", "1", "2", "2"};
        // Bytes compare as unsigned, letter case counts.
        QTest::newRow("TimeStamp")
            << 1 << QStringList{"+ 00:00:00,999999",        "+ 00:00:01,000000", "B", "a", "b",
                                QString::fromLatin1("\xE9")};
        // Letter case does not count, also beyond the 24th character.
        QTest::newRow("Info") << 2
                              << QStringList{"#err [01 02 03 04 05 06 07 x]",
                                             "#ERR [01 02 03 04 05 06 07 y]",
                                             "#err [01 02 03 04 05 06 07 Z]", "A", "b"};
    }

    void columnsSortInTheirOwnOrder() {
        QFETCH(int, column);
        QFETCH(QStringList, ascending);
        Rows rows;
        for (int i = 0; i < ascending.size(); ++i) {  // in a shuffled order
            const QByteArray text = ascending[(i * 7 + 3) % ascending.size()].toLatin1();
            TraceEntry* entry = rows.add(column == 0 ? text.toInt() : i, text.constData());
            qstrncpy(entry->timeText, text.constData(), sizeof entry->timeText);
        }
        rows.model.endOfBatch();
        rows.model.sortByHeaderClick(column);
        QCOMPARE(rows.column(column), ascending);
        rows.model.sortByHeaderClick(column);  // MsgNr stays ascending, the others turn
        const QStringList descending(ascending.rbegin(), ascending.rend());
        QCOMPARE(rows.column(column), column == 0 ? ascending : descending);
    }

    // The sort compares packed heads of the texts first; rows whose texts share long
    // heads, differ in case or hold bytes above 127 must still come out in text order.
    void sortAgreesWithPlainTextComparisonOnLongSimilarTexts() {
        Rows rows;
        std::mt19937 random(4711);
        const char alphabet[] = {'a', 'A', 'b', 'B', ' ', '#', '\xE9', '0'};
        auto randomText = [&](char* text, std::size_t size) {
            const std::size_t length = size / 2 + random() % (size / 2);
            for (std::size_t i = 0; i < length; ++i)
                text[i] = i < 26 && random() % 8 != 0 ? 'a' : alphabet[random() % sizeof alphabet];
            text[length] = 0;
        };
        for (int i = 0; i < 3000; ++i) {
            TraceEntry* entry = rows.add(i, "");
            randomText(entry->infoText, sizeof entry->infoText);
            randomText(entry->timeText, sizeof entry->timeText);
        }
        rows.model.endOfBatch();
        for (auto [column, ascending] : {std::pair{2, true}, {2, false}, {1, true}}) {
            rows.model.sortByHeaderClick(column);
            for (std::uint32_t row = 1; row < rows.model.indexCount(); ++row) {
                const TraceEntry* a = rows.model.entryAt(row - 1);
                const TraceEntry* b = rows.model.entryAt(row);
                const int order = column == 1 ? CompareBytes(a->timeText, b->timeText)
                                              : CompareIgnoringCase(a->infoText, b->infoText);
                QVERIFY2(ascending ? order <= 0 : order >= 0, qPrintable(QString::number(row)));
            }
        }
    }

    // The sort publishes the rows still pending, reorders only the index, and the
    // selection follows its row.
    void sortReordersTheIndexOnlyAndTheSelectionFollows() {
        Rows rows;
        rows.fill({"d", "a", "c"});
        rows.add(3, "b");
        QItemSelectionModel selection(&rows.model);
        selection.setCurrentIndex(rows.model.index(1, 3),
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        for (int row : {0, 3}) {  // a b c d, then d c b a
            rows.model.sortByHeaderClick(2);
            QCOMPARE(selection.selectedRows(), QModelIndexList{rows.model.index(row, 0)});
            QCOMPARE(selection.currentIndex(), rows.model.index(row, 3));
        }
        QCOMPARE(rows.column(2), QStringList({"d", "c", "b", "a"}));
        QString walked;
        for (const TraceEntry* e = rows.list.TraceListHead(); e; e = e->next) walked += e->infoText;
        QCOMPARE(walked, "dacb");

        // A mode switch is one layout change keeping the selection.
        QSignalSpy layout(&rows.model, &QAbstractItemModel::layoutChanged);
        QSignalSpy inserted(&rows.model, &QAbstractItemModel::rowsInserted);
        QSignalSpy headers(&rows.model, &QAbstractItemModel::headerDataChanged);
        for (int twice = 0; twice < 2; ++twice)  // the second switch changes nothing
            rows.model.setDisplayModes(rows.session, DisplayModes{false, false, true});
        QVERIFY(layout.count() == 1 && headers.count() == 1 && inserted.count() == 0);
        QCOMPARE(rows.session.modes.relativeTime, false);
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

    void findStepsInDisplayOrderAndModeSwitchJudgesAgain() {
        Rows trace;
        trace.feed(kHead10 + kDataFF + kHead3C + kData7F + kHead10 + kData01 + kHead3C + kDataFF);
        trace.search("ffh");
        QVERIFY(trace.model.sortByHeaderClick(5) &&
                trace.model.sortByHeaderClick(5));  // DB0 falling
        QCOMPARE(trace.column(5), QStringList({"FFh", "FFh", "7Fh", "01h", ""}));
        QList<int> steps;
        bool wrapped = false;
        for (int row = -1, i = 0; i < 3; ++i)  // each found row, then whether the step wrapped
            steps << (row = trace.model.findMatch(row, true, wrapped)) << wrapped;
        steps << trace.model.findMatch(0, false, wrapped) << wrapped;
        QCOMPARE(steps, QList<int>({0, 0, 1, 0, 0, 1, 1, 1}));

        trace.model.setShowOnlyMatches(true);
        QCOMPARE(trace.column(4), QStringList({"[50]", "[3C]"}));
        trace.model.setDisplayModes(trace.session, DisplayModes{true, true, false});  // "255"
        QVERIFY(trace.model.rowCount() == 0 && trace.model.matchCount() == 0);
        QCOMPARE(trace.model.findMatch(-1, true, wrapped), -1);
        trace.search("255");
        QCOMPARE(trace.model.rowCount(), 2);
    }
};

QTEST_GUILESS_MAIN(TestTraceListModel)
#include "tst_tracelistmodel.moc"
