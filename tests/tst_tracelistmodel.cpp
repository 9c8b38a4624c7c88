// The trace list's model: texts, tips and colours per column, the row index and its
// growth, batched insertion, clearing and the header-click sort.
#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "trace/TraceList.h"
#include "view/RowSort.h"
#include "view/TraceListModel.h"

using namespace daridez;

namespace {

const RowColours kColours{0x00F0E0D0, 0x00102030};

// A row with the given Info text; the other texts name their column and row.
TraceEntry* addRow(TraceList& list, TraceEntry* last, std::int32_t number, const char* info,
                   std::int64_t time = 1000) {
    TraceEntry* entry = list.CreateEntry(last, number, time, kColours);
    std::snprintf(entry->infoText, sizeof entry->infoText, "%s", info);
    std::snprintf(entry->syncText, sizeof entry->syncText, "s%d", number);
    std::snprintf(entry->idText, sizeof entry->idText, "i%d", number);
    for (int b = 0; b < 9; ++b) {
        std::snprintf(entry->byteTexts[b], sizeof entry->byteTexts[b], "b%d.%d", b, number);
    }
    return entry;
}

// Texts of one column in display order.
QStringList column(const TraceListModel& model, int c) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row) {
        texts << model.index(row, c).data().toString();
    }
    return texts;
}

struct FailingGrowth {
    bool fail = false;
    int calls = 0;
};

void* reallocUnlessFailing(void* block, std::size_t size, void* context) {
    auto* growth = static_cast<FailingGrowth*>(context);
    ++growth->calls;
    return growth->fail ? nullptr : std::realloc(block, size);
}

}  // namespace

class TestTraceListModel : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void everyColumnShowsItsStoredText();
    void headersNameTheFourteenColumnsAndCanBeReplaced();
    void tipOfInfoIsAbsoluteAndOfLaterColumnsRelative();
    void noTipForNumberTimeOrAZeroSlotTime();
    void numberAndTimeTakeWindowTextOthersTheRowColour();
    void missingRowIsRefusedWithoutMemoryMessage();
    void firstRowGrowsIndexTo500AndRow501To1000KeepingPositions();
    void indexThatCannotGrowLeavesEverythingAsItWas();
    void rowsArePublishedInOneInsertionPerBatch();
    void clearForgetsRowsButKeepsCapacityAndEndsLive();
    void infoSortsAscendingThenDescending();
    void msgNrInBetweenLeavesTextSortMemoryAlone();
    void anotherColumnStartsAscending();
    void msgNrSortInterleavesRecordingsByNumber();
    void timeStampComparesBytesAsUnsigned();
    void textColumnsIgnoreCaseAlsoBeyondTwentyFourCharacters();
    void sortAgreesWithPlainTextComparisonOnLongSimilarTexts();
    void headerClicksWhileLiveDoNothing();
    void sortLeavesTraceListInCreationOrder();
    void emptyListSortsAndAnnouncesLayout();
    void sortPublishesPendingRowsFirst();
    void selectionFollowsItsRowThroughSort();
    void columnOutsideTheListDoesNotSort();
    void refreshRedrawsAllRowsWithoutLayoutChange();

  private:
    TraceEntry* addRows(int count);

    TraceList* list_ = nullptr;
    TraceListModel* model_ = nullptr;
    QAbstractItemModelTester* tester_ = nullptr;
    TraceEntry* last_ = nullptr;
};

void TestTraceListModel::init() {
    list_ = new TraceList;
    model_ = new TraceListModel;
    tester_ = new QAbstractItemModelTester(model_,
                                           QAbstractItemModelTester::FailureReportingMode::QtTest);
    last_ = nullptr;
}

void TestTraceListModel::cleanup() {
    delete tester_;
    delete model_;
    delete list_;
}

TraceEntry* TestTraceListModel::addRows(int count) {
    for (int i = 0; i < count; ++i) {
        last_ = addRow(*list_, last_, i, "Break");
        model_->appendRow(last_);
    }
    model_->endOfBatch();
    return last_;
}

void TestTraceListModel::everyColumnShowsItsStoredText() {
    TraceEntry* entry = addRow(*list_, nullptr, 42, "Break", 3723000001);
    model_->appendRow(entry);
    model_->endOfBatch();

    QCOMPARE(model_->columnCount(), 14);
    const QStringList expected = {"42",    "01:02:03,000001", "Break", "s42",   "i42",
                                  "b0.42", "b1.42",           "b2.42", "b3.42", "b4.42",
                                  "b5.42", "b6.42",           "b7.42", "b8.42"};
    for (int c = 0; c < 14; ++c) {
        QCOMPARE(model_->index(0, c).data().toString(), expected[c]);
    }
}

void TestTraceListModel::headersNameTheFourteenColumnsAndCanBeReplaced() {
    QStringList headers;
    for (int c = 0; c < 14; ++c) {
        headers << model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    }
    QCOMPARE(headers, QStringList({"MsgNr", "TimeStamp", "Info", "Sync", "ID", "DB0", "DB1", "DB2",
                                   "DB3", "DB4", "DB5", "DB6", "DB7", "CS"}));
    QSignalSpy changed(model_, &QAbstractItemModel::headerDataChanged);
    QVERIFY(model_->setHeaderData(1, Qt::Horizontal, "rel. TimeStamp", Qt::DisplayRole));
    QCOMPARE(model_->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "rel. TimeStamp");
    QCOMPARE(changed.count(), 1);
}

void TestTraceListModel::tipOfInfoIsAbsoluteAndOfLaterColumnsRelative() {
    TraceEntry* entry = addRow(*list_, nullptr, 0, "Break", 3723000001);
    const std::uint8_t frame[] = {5, 0x91, 0, 0, 0x55};
    StoreFrame(entry, 0, frame, 5, 3723000001);
    StoreFrame(entry, 1, frame, 5, 3723004661);   // sync 4660 us after the break
    StoreFrame(entry, 5, frame, 5, 3723010000);   // DB2
    StoreFrame(entry, 6, frame, 5, 3723012500);   // DB3, 2500 us after DB2
    StoreFrame(entry, 11, frame, 5, 3724000000);  // CS
    StoreFrame(entry, 10, frame, 5, 3723500000);  // DB7
    model_->appendRow(entry);
    model_->endOfBatch();

    QCOMPARE(model_->index(0, 2).data(Qt::ToolTipRole).toString(), "01:02:03,000001");
    QCOMPARE(model_->index(0, 3).data(Qt::ToolTipRole).toString(), "+ 00:00:00,004660");
    QCOMPARE(model_->index(0, 8).data(Qt::ToolTipRole).toString(), "+ 00:00:00,002500");
    QCOMPARE(model_->index(0, 13).data(Qt::ToolTipRole).toString(), "+ 00:00:00,500000");
}

void TestTraceListModel::noTipForNumberTimeOrAZeroSlotTime() {
    // A recording's start row: slot 0 empty and its time 0.
    TraceEntry* start = addRow(*list_, nullptr, 0, "START", 0);
    TraceEntry* row = addRow(*list_, start, 1, "Break", 5000);
    const std::uint8_t frame[] = {4, 0x90, 0, 0};
    StoreFrame(row, 0, frame, 4, 5000);
    model_->appendRow(start);
    model_->appendRow(row);
    model_->endOfBatch();

    QVERIFY(!model_->index(0, 2).data(Qt::ToolTipRole).isValid());
    QVERIFY(model_->index(1, 2).data(Qt::ToolTipRole).isValid());
    for (int c : {0, 1}) {
        QVERIFY(!model_->index(1, c).data(Qt::ToolTipRole).isValid());
    }
    for (int c = 3; c < 14; ++c) {
        QVERIFY2(!model_->index(1, c).data(Qt::ToolTipRole).isValid(),
                 qPrintable(QString::number(c)));
    }
}

void TestTraceListModel::numberAndTimeTakeWindowTextOthersTheRowColour() {
    TraceEntry* plain = addRow(*list_, nullptr, 0, "Break");
    TraceEntry* green = SetTextColour(addRow(*list_, plain, 1, "Break"), kGreen);
    TraceEntry* red = SetTextColour(addRow(*list_, green, 2, "err"), kRed);
    for (TraceEntry* entry : {plain, green, red}) {
        model_->appendRow(entry);
    }
    model_->endOfBatch();

    const QColor rowText(0x30, 0x20, 0x10);
    const QColor rowBack(0xD0, 0xE0, 0xF0);
    const QColor expected[] = {rowText, QColor(0, 255, 0), QColor(255, 0, 0)};
    for (int row = 0; row < 3; ++row) {
        for (int c = 0; c < 14; ++c) {
            const QModelIndex index = model_->index(row, c);
            QCOMPARE(index.data(Qt::BackgroundRole).value<QColor>(), rowBack);
            if (c < 2) {
                QVERIFY(!index.data(Qt::ForegroundRole).isValid());
            } else {
                QCOMPARE(index.data(Qt::ForegroundRole).value<QColor>(), expected[row]);
            }
        }
    }
}

void TestTraceListModel::missingRowIsRefusedWithoutMemoryMessage() {
    QSignalSpy outOfMemory(model_, &TraceListModel::outOfMemory);
    QVERIFY(!model_->appendRow(nullptr));
    QCOMPARE(model_->indexCount(), 0u);
    QCOMPARE(model_->indexCapacity(), 0u);
    QCOMPARE(outOfMemory.count(), 0);
}

void TestTraceListModel::firstRowGrowsIndexTo500AndRow501To1000KeepingPositions() {
    QCOMPARE(model_->indexCapacity(), 0u);
    std::vector<TraceEntry*> rows;
    for (int i = 0; i < 501; ++i) {
        last_ = addRow(*list_, last_, i, "Break");
        rows.push_back(last_);
        QVERIFY(model_->appendRow(last_));
        if (i == 0) {
            QCOMPARE(model_->indexCapacity(), 500u);
        }
        if (i == 499) {
            QCOMPARE(model_->indexCapacity(), 500u);
        }
    }
    QCOMPARE(model_->indexCapacity(), 1000u);
    QCOMPARE(model_->indexCount(), 501u);
    for (std::uint32_t i = 0; i < 501; ++i) {
        QCOMPARE(model_->entryAt(i), rows[i]);
    }
}

void TestTraceListModel::indexThatCannotGrowLeavesEverythingAsItWas() {
    FailingGrowth growth;
    model_->setReallocator(reallocUnlessFailing, &growth);
    TraceEntry* first = addRows(500);
    QCOMPARE(model_->indexCapacity(), 500u);

    QSignalSpy outOfMemory(model_, &TraceListModel::outOfMemory);
    QSignalSpy inserted(model_, &QAbstractItemModel::rowsInserted);
    growth.fail = true;
    TraceEntry* refused = addRow(*list_, first, 500, "Break");
    QVERIFY(!model_->appendRow(refused));
    model_->endOfBatch();
    QCOMPARE(outOfMemory.count(), 1);
    QCOMPARE(model_->indexCount(), 500u);
    QCOMPARE(model_->indexCapacity(), 500u);
    QCOMPARE(model_->rowCount(), 500);
    QCOMPARE(inserted.count(), 0);
    QCOMPARE(model_->entryAt(499), first);
    QCOMPARE(model_->entryAt(500), nullptr);
    QCOMPARE(list_->TraceListHead() != nullptr, true);
    QCOMPARE(first->next, refused);  // the row stays in the trace list

    // The next row tries to grow again.
    growth.fail = false;
    TraceEntry* next = addRow(*list_, refused, 501, "Break");
    QVERIFY(model_->appendRow(next));
    QCOMPARE(model_->indexCapacity(), 1000u);
    QCOMPARE(model_->entryAt(500), next);
    QCOMPARE(growth.calls, 3);
}

void TestTraceListModel::rowsArePublishedInOneInsertionPerBatch() {
    QSignalSpy inserted(model_, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(model_, &QAbstractItemModel::modelReset);
    for (int i = 0; i < 3; ++i) {
        last_ = addRow(*list_, last_, i, "Break");
        model_->appendRow(last_);
    }
    QCOMPARE(model_->rowCount(), 0);
    QCOMPARE(model_->indexCount(), 3u);
    QCOMPARE(inserted.count(), 0);

    model_->endOfBatch();
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted[0][1].toInt(), 0);
    QCOMPARE(inserted[0][2].toInt(), 2);
    QCOMPARE(model_->rowCount(), 3);

    for (int i = 3; i < 5; ++i) {
        last_ = addRow(*list_, last_, i, "Break");
        model_->appendRow(last_);
    }
    model_->endOfBatch();
    model_->endOfBatch();  // nothing new: no signal
    QCOMPARE(inserted.count(), 2);
    QCOMPARE(inserted[1][1].toInt(), 3);
    QCOMPARE(inserted[1][2].toInt(), 4);
    QCOMPARE(reset.count(), 0);
}

void TestTraceListModel::clearForgetsRowsButKeepsCapacityAndEndsLive() {
    addRows(501);
    model_->setLive(true);
    model_->clear();
    QCOMPARE(model_->rowCount(), 0);
    QCOMPARE(model_->indexCount(), 0u);
    QCOMPARE(model_->indexCapacity(), 1000u);
    QVERIFY(!model_->isLive());

    // A trace loaded after the clear reuses the memory.
    list_->FreeTraceList();
    last_ = nullptr;
    addRows(2);
    QCOMPARE(model_->indexCapacity(), 1000u);
    QCOMPARE(column(*model_, 0), QStringList({"0", "1"}));
}

void TestTraceListModel::infoSortsAscendingThenDescending() {
    TraceEntry* a = addRow(*list_, nullptr, 0, "START");
    TraceEntry* b = addRow(*list_, a, 1, "Break");
    TraceEntry* c = addRow(*list_, b, 2, "#BufOvfl");
    for (TraceEntry* entry : {a, b, c}) {
        model_->appendRow(entry);
    }
    model_->endOfBatch();

    QVERIFY(model_->sortByHeaderClick(2));
    QCOMPARE(column(*model_, 2), QStringList({"#BufOvfl", "Break", "START"}));
    QCOMPARE(model_->sortMemory().sortColumn(), 2);
    QVERIFY(model_->sortMemory().sortAscending());
    QVERIFY(model_->sortByHeaderClick(2));
    QCOMPARE(column(*model_, 2), QStringList({"START", "Break", "#BufOvfl"}));
    QVERIFY(!model_->sortMemory().sortAscending());
}

void TestTraceListModel::msgNrInBetweenLeavesTextSortMemoryAlone() {
    TraceEntry* a = addRow(*list_, nullptr, 0, "c");
    TraceEntry* b = addRow(*list_, a, 1, "a");
    TraceEntry* c = addRow(*list_, b, 2, "b");
    for (TraceEntry* entry : {a, b, c}) {
        model_->appendRow(entry);
    }
    model_->endOfBatch();

    model_->sortByHeaderClick(2);
    model_->sortByHeaderClick(2);
    QCOMPARE(column(*model_, 2), QStringList({"c", "b", "a"}));
    QVERIFY(model_->sortByHeaderClick(0));
    QCOMPARE(column(*model_, 0), QStringList({"0", "1", "2"}));
    QCOMPARE(model_->sortMemory().sortColumn(), 2);
    QVERIFY(!model_->sortMemory().sortAscending());
    QVERIFY(model_->sortByHeaderClick(0));  // MsgNr never toggles
    QCOMPARE(column(*model_, 0), QStringList({"0", "1", "2"}));

    model_->sortByHeaderClick(2);  // toggles on from descending: ascending
    QCOMPARE(column(*model_, 2), QStringList({"a", "b", "c"}));
}

void TestTraceListModel::anotherColumnStartsAscending() {
    TraceEntry* a = addRow(*list_, nullptr, 0, "x");
    TraceEntry* b = addRow(*list_, a, 1, "y");
    std::snprintf(a->syncText, sizeof a->syncText, "55h");
    std::snprintf(b->syncText, sizeof b->syncText, "0Ah");
    model_->appendRow(a);
    model_->appendRow(b);
    model_->endOfBatch();

    model_->sortByHeaderClick(2);  // Info ascending
    model_->sortByHeaderClick(3);  // Sync starts ascending, not toggled
    QCOMPARE(column(*model_, 3), QStringList({"0Ah", "55h"}));
    QCOMPARE(model_->sortMemory().sortColumn(), 3);
    QVERIFY(model_->sortMemory().sortAscending());
    model_->sortByHeaderClick(2);  // back to Info: ascending again
    QCOMPARE(column(*model_, 2), QStringList({"x", "y"}));
}

void TestTraceListModel::msgNrSortInterleavesRecordingsByNumber() {
    // Two recordings, numbered from 0 each.
    for (int recording = 0; recording < 2; ++recording) {
        for (int number = 0; number < 4; ++number) {
            last_ = addRow(*list_, last_, number, "Break");
            model_->appendRow(last_);
        }
    }
    model_->endOfBatch();
    model_->sortByHeaderClick(0);
    QCOMPARE(column(*model_, 0), QStringList({"0", "0", "1", "1", "2", "2", "3", "3"}));
}

void TestTraceListModel::timeStampComparesBytesAsUnsigned() {
    const char* times[] = {"b", "\xE9", "a", "B", "+ 00:00:01,000000", "+ 00:00:00,999999"};
    for (const char* time : times) {
        last_ = addRow(*list_, last_, 0, "Break");
        std::snprintf(last_->timeText, sizeof last_->timeText, "%s", time);
        model_->appendRow(last_);
    }
    model_->endOfBatch();
    model_->sortByHeaderClick(1);
    QCOMPARE(column(*model_, 1), QStringList({"+ 00:00:00,999999", "+ 00:00:01,000000", "B", "a",
                                              "b", QString::fromLatin1("\xE9")}));
    model_->sortByHeaderClick(1);
    QCOMPARE(column(*model_, 1).first(), QString::fromLatin1("\xE9"));
}

void TestTraceListModel::textColumnsIgnoreCaseAlsoBeyondTwentyFourCharacters() {
    // The long texts differ only after their 24th character.
    const char* infos[] = {"#err [01 02 03 04 05 06 07 Z]", "b", "#ERR [01 02 03 04 05 06 07 y]",
                           "A", "#err [01 02 03 04 05 06 07 x]"};
    for (const char* info : infos) {
        last_ = addRow(*list_, last_, 0, info);
        model_->appendRow(last_);
    }
    model_->endOfBatch();
    model_->sortByHeaderClick(2);
    QCOMPARE(column(*model_, 2),
             QStringList({"#err [01 02 03 04 05 06 07 x]", "#ERR [01 02 03 04 05 06 07 y]",
                          "#err [01 02 03 04 05 06 07 Z]", "A", "b"}));
    model_->sortByHeaderClick(2);
    QCOMPARE(column(*model_, 2),
             QStringList({"b", "A", "#err [01 02 03 04 05 06 07 Z]",
                          "#ERR [01 02 03 04 05 06 07 y]", "#err [01 02 03 04 05 06 07 x]"}));
}

// The sort compares packed heads of the texts first; rows whose texts share long
// heads, differ in case or hold bytes above 127 must still come out in text order.
void TestTraceListModel::sortAgreesWithPlainTextComparisonOnLongSimilarTexts() {
    std::mt19937 random(4711);
    const char alphabet[] = {'a', 'A', 'b', 'B', ' ', '#', '\xE9', '0'};
    auto randomText = [&](char* text, std::size_t size) {
        // Mostly long texts that begin with the same characters, so heads are often equal.
        const std::size_t length = size / 2 + random() % (size / 2);
        for (std::size_t i = 0; i < length; ++i) {
            text[i] = i < 26 && random() % 8 != 0 ? 'a' : alphabet[random() % sizeof alphabet];
        }
        text[length] = 0;
    };
    for (int i = 0; i < 3000; ++i) {
        last_ = addRow(*list_, last_, i, "");
        randomText(last_->infoText, sizeof last_->infoText);
        randomText(last_->timeText, sizeof last_->timeText);
        model_->appendRow(last_);
    }
    model_->endOfBatch();

    for (bool ascending : {true, false}) {
        model_->sortByHeaderClick(2);
        QCOMPARE(model_->sortMemory().sortAscending(), ascending);
        for (std::uint32_t row = 1; row < model_->indexCount(); ++row) {
            const int order = CompareIgnoringCase(model_->entryAt(row - 1)->infoText,
                                                  model_->entryAt(row)->infoText);
            QVERIFY2(ascending ? order <= 0 : order >= 0, qPrintable(QString::number(row)));
        }
    }
    model_->sortByHeaderClick(1);
    for (std::uint32_t row = 1; row < model_->indexCount(); ++row) {
        QVERIFY(CompareBytes(model_->entryAt(row - 1)->timeText, model_->entryAt(row)->timeText) <=
                0);
    }
}

void TestTraceListModel::headerClicksWhileLiveDoNothing() {
    TraceEntry* a = addRow(*list_, nullptr, 1, "b");
    TraceEntry* b = addRow(*list_, a, 0, "a");
    model_->appendRow(a);
    model_->appendRow(b);
    model_->endOfBatch();
    QSignalSpy layout(model_, &QAbstractItemModel::layoutChanged);

    model_->setLive(true);
    QVERIFY(!model_->sortByHeaderClick(2));
    QVERIFY(!model_->sortByHeaderClick(0));
    QCOMPARE(column(*model_, 2), QStringList({"b", "a"}));
    QCOMPARE(model_->sortMemory().sortColumn(), 0);
    QCOMPARE(layout.count(), 0);

    model_->setLive(false);  // after Stop it sorts
    QVERIFY(model_->sortByHeaderClick(2));
    QCOMPARE(column(*model_, 2), QStringList({"a", "b"}));
    QCOMPARE(layout.count(), 1);
}

void TestTraceListModel::sortLeavesTraceListInCreationOrder() {
    const char* infos[] = {"d", "a", "c", "b"};
    std::vector<TraceEntry*> created;
    for (const char* info : infos) {
        last_ = addRow(*list_, last_, 0, info);
        created.push_back(last_);
        model_->appendRow(last_);
    }
    model_->endOfBatch();
    model_->sortByHeaderClick(2);
    QCOMPARE(column(*model_, 2), QStringList({"a", "b", "c", "d"}));

    std::vector<TraceEntry*> walked;
    for (TraceEntry* entry = list_->TraceListHead(); entry != nullptr; entry = entry->next) {
        walked.push_back(entry);
    }
    QCOMPARE(walked, created);
}

void TestTraceListModel::emptyListSortsAndAnnouncesLayout() {
    QSignalSpy layout(model_, &QAbstractItemModel::layoutChanged);
    QVERIFY(model_->sortByHeaderClick(2));
    QVERIFY(model_->sortByHeaderClick(0));
    QCOMPARE(layout.count(), 2);
    QCOMPARE(model_->rowCount(), 0);
}

void TestTraceListModel::sortPublishesPendingRowsFirst() {
    TraceEntry* a = addRow(*list_, nullptr, 0, "b");
    TraceEntry* b = addRow(*list_, a, 1, "a");
    model_->appendRow(a);
    model_->appendRow(b);
    QCOMPARE(model_->rowCount(), 0);
    model_->sortByHeaderClick(2);
    QCOMPARE(column(*model_, 2), QStringList({"a", "b"}));
}

void TestTraceListModel::selectionFollowsItsRowThroughSort() {
    const char* infos[] = {"d", "a", "c", "b"};
    for (const char* info : infos) {
        last_ = addRow(*list_, last_, 0, info);
        model_->appendRow(last_);
    }
    model_->endOfBatch();
    QItemSelectionModel selection(model_);
    selection.select(model_->index(1, 0),
                     QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    selection.setCurrentIndex(model_->index(1, 3), QItemSelectionModel::NoUpdate);
    TraceEntry* chosen = model_->entryAt(1);
    QCOMPARE(chosen->infoText, "a");

    model_->sortByHeaderClick(2);  // a b c d
    QModelIndexList rows = selection.selectedRows();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].row(), 0);
    QCOMPARE(model_->entryAt(0), chosen);
    QCOMPARE(selection.selectedIndexes().size(), 14);

    model_->sortByHeaderClick(2);  // d c b a
    rows = selection.selectedRows();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].row(), 3);
    QCOMPARE(selection.currentIndex(), model_->index(3, 3));
    QCOMPARE(model_->entryAt(3), chosen);
}

void TestTraceListModel::columnOutsideTheListDoesNotSort() {
    addRows(3);
    QSignalSpy layout(model_, &QAbstractItemModel::layoutChanged);
    QVERIFY(!model_->sortByHeaderClick(14));
    QVERIFY(!model_->sortByHeaderClick(-1));
    QCOMPARE(layout.count(), 0);
    QCOMPARE(model_->sortMemory().sortColumn(), 0);
}

void TestTraceListModel::refreshRedrawsAllRowsWithoutLayoutChange() {
    addRows(7);
    QSignalSpy changed(model_, &QAbstractItemModel::dataChanged);
    QSignalSpy layout(model_, &QAbstractItemModel::layoutChanged);
    TraceEntry* entry = model_->entryAt(6);
    std::snprintf(entry->byteTexts[0], sizeof entry->byteTexts[0], "%s", "007");
    model_->refreshTexts();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed[0][0].value<QModelIndex>(), model_->index(0, 0));
    QCOMPARE(changed[0][1].value<QModelIndex>(), model_->index(6, 13));
    QCOMPARE(layout.count(), 0);
    QCOMPARE(model_->index(6, 5).data().toString(), "007");
}

QTEST_GUILESS_MAIN(TestTraceListModel)
#include "tst_tracelistmodel.moc"
