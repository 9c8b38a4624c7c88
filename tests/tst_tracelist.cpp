// The trace model and its text forms: rows, the list, time texts and refreshes.
#include <QTest>
#include <cinttypes>
#include <climits>
#include <cstdio>
#include <cstring>
#include <random>

#include "trace/FieldText.h"
#include "trace/TextRefresh.h"
#include "trace/TimeFormat.h"
#include "trace/TraceList.h"

using namespace daridez;

class TestTraceList : public QObject {
    Q_OBJECT

  private slots:
    void absoluteTime_data();
    void absoluteTime();
    void relativeTime_data();
    void relativeTime();
    void storeFrameKeepsAtMostEightBytesAndAlwaysTheTime();
    void storeFrameIgnoresSlotsAboveEleven();
    void firstRowBecomesHeadAndLaterRowsAreLinked();
    void failedAllocationLeavesListIntact();
    void numberTextHoldsAnyNumber();
    void refreshRendersEveryRowInTheNewMode();
    void refreshKeepsCellsOfBytesNotReceivedEmpty();
    void refreshOnEmptyListDoesNothing();
    void textFormsMatchTheirPrintfFormats();
};

void TestTraceList::absoluteTime_data() {
    QTest::addColumn<qint64>("time");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << qint64(0) << "00:00:00,000000";
    QTest::newRow("1h 2m 3s 1us") << qint64(3723000001) << "01:02:03,000001";
    QTest::newRow("25 hours") << qint64(90000) * 1000000 << "25:00:00,000000";
    QTest::newRow("three-digit hours") << qint64(360000) * 1000000 << "100:00:00,000000";
    QTest::newRow("minus 1us") << qint64(-1) << "00:00:00,-000001";
    QTest::newRow("past 2^32 us") << qint64(4294967296) << "01:11:34,967296";
}

void TestTraceList::absoluteTime() {
    QFETCH(qint64, time);
    QFETCH(QString, text);
    char buffer[kTimeTextSize];
    FormatAbsoluteTime(buffer, time);
    QCOMPARE(QString::fromLatin1(buffer), text);
}

void TestTraceList::relativeTime_data() {
    QTest::addColumn<qint64>("previous");
    QTest::addColumn<qint64>("current");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << qint64(0) << qint64(0) << "+ 00:00:00,000000";
    QTest::newRow("4660 us") << qint64(0) << qint64(4660) << "+ 00:00:00,004660";
    QTest::newRow("minus 1us") << qint64(5) << qint64(4) << "+ 00:00:00,-000001";
    QTest::newRow("minus 1.5 s") << qint64(2000000) << qint64(500000) << "+ 1193046:28:15,-500000";
}

void TestTraceList::relativeTime() {
    QFETCH(qint64, previous);
    QFETCH(qint64, current);
    QFETCH(QString, text);
    char buffer[kTimeTextSize];
    FormatRelativeTime(buffer, previous, current);
    QCOMPARE(QString::fromLatin1(buffer), text);
    QVERIFY(std::strlen(buffer) < kTimeTextSize);
}

void TestTraceList::storeFrameKeepsAtMostEightBytesAndAlwaysTheTime() {
    TraceList list;
    TraceEntry* row = list.CreateEntry(nullptr, 1, 10, RowColours{});
    const std::uint8_t frame[10] = {9, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    StoreFrame(row, 3, frame, 9, 77);
    QCOMPARE(std::memcmp(row->frames[3], frame, 8), 0);
    QCOMPARE(row->frames[4][0], std::uint8_t(0));  // nothing spilled into the next slot
    QCOMPARE(row->slotTimes[3], qint64(77));

    StoreFrame(row, 5, frame, 0, 88);
    QCOMPARE(row->frames[5][0], std::uint8_t(0));
    QCOMPARE(row->slotTimes[5], qint64(88));
}

void TestTraceList::storeFrameIgnoresSlotsAboveEleven() {
    TraceList list;
    TraceEntry* row = list.CreateEntry(nullptr, 1, 10, RowColours{});
    TraceEntry before = *row;
    const std::uint8_t frame[6] = {5, 0x91, 0, 0, 0x55, 0};
    StoreFrame(row, 12, frame, 5, 99);
    StoreFrame(row, 255, frame, 5, 99);
    QCOMPARE(std::memcmp(&before, row, sizeof before), 0);
    StoreFrame(nullptr, 0, frame, 5, 99);  // no row: nothing to do, no crash
}

void TestTraceList::firstRowBecomesHeadAndLaterRowsAreLinked() {
    TraceList list;
    QVERIFY(list.TraceListHead() == nullptr);
    RowColours colours{0x123456, 0x654321};
    TraceEntry* first = list.CreateEntry(nullptr, 0, 0, colours);
    TraceEntry* second = list.CreateEntryRelative(first, 1, 0, 4660, colours);
    QCOMPARE(list.TraceListHead(), first);
    QCOMPARE(first->next, second);
    QVERIFY(second->next == nullptr);
    QCOMPARE(QString::fromLatin1(second->timeText), QString("+ 00:00:00,004660"));
    QCOMPARE(second->slotTimes[0], qint64(4660));
    QCOMPARE(second->backColour, Colour(0x123456));
    QCOMPARE(second->textColour, Colour(0x654321));
    QCOMPARE(SetTextColour(second, kGreen), second);
    QCOMPARE(second->textColour, kGreen);
    QVERIFY(SetTextColour(nullptr, kRed) == nullptr);
    list.FreeTraceList();
    QVERIFY(list.TraceListHead() == nullptr);
}

void TestTraceList::failedAllocationLeavesListIntact() {
    TraceList list;
    TraceEntry* first = list.CreateEntry(nullptr, 0, 0, RowColours{});
    list.setAllocator([](std::size_t, void*) -> void* { return nullptr; }, nullptr);
    QVERIFY(list.CreateEntry(first, 1, 5, RowColours{}) == nullptr);
    QVERIFY(first->next == nullptr);
    QCOMPARE(list.TraceListHead(), first);

    TraceList empty;
    empty.setAllocator([](std::size_t, void*) -> void* { return nullptr; }, nullptr);
    QVERIFY(empty.CreateEntryRelative(nullptr, 0, 0, 5, RowColours{}) == nullptr);
    QVERIFY(empty.TraceListHead() == nullptr);
}

void TestTraceList::numberTextHoldsAnyNumber() {
    TraceList list;
    TraceEntry* low = list.CreateEntry(nullptr, INT32_MIN, 0, RowColours{});
    TraceEntry* high = list.CreateEntry(low, INT32_MAX, 0, RowColours{});
    QCOMPARE(QString::fromLatin1(low->numberText), QString("-2147483648"));
    QCOMPARE(QString::fromLatin1(high->numberText), QString("2147483647"));
}

namespace {
// A LIN-frame row: break at t, sync, identifier, then `bytes` response bytes.
TraceEntry* linRow(TraceList& list, TraceEntry* previous, std::int64_t t, std::uint8_t pid,
                   int bytes) {
    TraceEntry* row = list.CreateEntry(previous, 1, t, RowColours{});
    const std::uint8_t brk[5] = {4, 0x90, 0, 0, 0};
    StoreFrame(row, 0, brk, 4, t);
    const std::uint8_t sync[6] = {5, 0x91, 0, 0, 0x55, 0};
    StoreFrame(row, 1, sync, 5, t + 1);
    const std::uint8_t id[6] = {5, 0x92, 0, 0, pid, 0};
    StoreFrame(row, 2, id, 5, t + 2);
    for (int i = 0; i < bytes; ++i) {
        const std::uint8_t data[6] = {5, std::uint8_t(0x93 + i), 0, 0, std::uint8_t(250 + i), 0};
        StoreFrame(row, std::uint8_t(3 + i), data, 5, t + 3 + i);
    }
    return row;
}
}  // namespace

void TestTraceList::refreshRendersEveryRowInTheNewMode() {
    TraceList list;
    TraceEntry* start = list.CreateEntry(nullptr, 0, 0, RowColours{});
    TraceEntry* a = linRow(list, start, 1000000, 0xC1, 3);
    TraceEntry* b = linRow(list, a, 3500000, 0x3C, 3);

    RefreshTimeTexts(list, true);
    QCOMPARE(QString::fromLatin1(start->timeText), QString("+ 00:00:00,000000"));
    QCOMPARE(QString::fromLatin1(b->timeText), QString("+ 00:00:02,500000"));
    RefreshTimeTexts(list, false);
    QCOMPARE(QString::fromLatin1(b->timeText), QString("00:00:03,500000"));

    RefreshIdTexts(list, false);
    QCOMPARE(QString::fromLatin1(a->idText), QString("(01)"));
    QCOMPARE(QString::fromLatin1(b->idText), QString("(3C)"));
    QCOMPARE(QString::fromLatin1(start->idText), QString(""));
    RefreshIdTexts(list, true);
    QCOMPARE(QString::fromLatin1(a->idText), QString("[C1]"));

    RefreshByteTexts(list, false);
    QCOMPARE(QString::fromLatin1(a->byteTexts[0]), QString("250"));
    RefreshByteTexts(list, true);
    QCOMPARE(QString::fromLatin1(a->byteTexts[2]), QString("FCh"));
}

void TestTraceList::refreshKeepsCellsOfBytesNotReceivedEmpty() {
    TraceList list;
    TraceEntry* row = linRow(list, nullptr, 0, 0x11, 3);
    for (int round = 0; round < 3; ++round) {
        RefreshByteTexts(list, round % 2 == 0);
    }
    for (int i = 3; i < 9; ++i) {
        QCOMPARE(row->byteTexts[i][0], '\0');
    }
    char text[32];
    FormatByteText(text, 0, true);
    QCOMPARE(QString(text), QString("00h"));
    FormatByteText(text, 255, false);
    QCOMPARE(QString(text), QString("255"));
}

void TestTraceList::refreshOnEmptyListDoesNothing() {
    TraceList list;
    RefreshTimeTexts(list, true);
    RefreshIdTexts(list, true);
    RefreshByteTexts(list, true);
    QVERIFY(list.TraceListHead() == nullptr);
}

void TestTraceList::textFormsMatchTheirPrintfFormats() {
    char text[32];
    char expected[64];
    for (int v = 0; v < 256; ++v) {
        const auto byte = static_cast<std::uint8_t>(v);
        FormatByteText(text, byte, true);
        std::snprintf(expected, sizeof expected, "%2.2Xh", v);
        QCOMPARE(text, expected);
        FormatByteText(text, byte, false);
        std::snprintf(expected, sizeof expected, "%.3d", v);
        QCOMPARE(text, expected);
        FormatIdText(text, byte, true);
        std::snprintf(expected, sizeof expected, "[%2.2X]", v);
        QCOMPARE(text, expected);
        FormatIdText(text, byte, false);
        std::snprintf(expected, sizeof expected, "(%2.2X)", v & 0x3F);
        QCOMPARE(text, expected);
    }
    char number[12];
    for (std::int32_t n : {0, 7, -7, 1234567, 12345678, INT_MAX, INT_MIN}) {
        FormatNumberText(number, n);
        std::snprintf(expected, sizeof expected, "%d", n);
        QCOMPARE(number, expected);
    }
    // Times: edges of every field and of the 32-bit seconds, and many at random.
    std::vector<std::int64_t> times = {0,
                                       1,
                                       -1,
                                       999999,
                                       -999999,
                                       1000000,
                                       59999999,
                                       60000000,
                                       3599999999,
                                       3600000000,
                                       4294967295999999,
                                       4294967296000000,
                                       INT64_MAX,
                                       INT64_MIN + 1};
    std::mt19937_64 random(42);
    for (int i = 0; i < 5000; ++i) {
        times.push_back(static_cast<std::int64_t>(random()) >> (random() % 63));
    }
    char time[kTimeTextSize];
    for (std::int64_t t : times) {
        const std::int64_t q = t / 1000000;
        const auto s = static_cast<std::uint32_t>(q);
        std::snprintf(expected, sizeof expected, "%2.2u:%2.2u:%2.2u,%6.6" PRId64, s / 3600,
                      (s % 3600) / 60, s % 60, t - q * 1000000);
        FormatAbsoluteTime(time, t);
        QCOMPARE(time, expected);
        FormatRelativeTime(time, 0, t);
        QCOMPARE(QByteArray(time), "+ " + QByteArray(expected));
    }
}

QTEST_GUILESS_MAIN(TestTraceList)
#include "tst_tracelist.moc"
