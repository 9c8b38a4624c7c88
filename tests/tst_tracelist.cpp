// The trace model and its text forms: rows, the list, time texts and refreshes.
#include <QTest>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <random>

#include "DecoderFixture.h"
#include "trace/FieldText.h"
#include "trace/TextRefresh.h"
#include "trace/TimeFormat.h"
#include "trace/TraceList.h"

using namespace daridez;
using daridez::test::hex;

class TestTraceList : public QObject {
    Q_OBJECT

  private slots:
    void timeText_data();
    void timeText();
    void rowsAreLinkedInCreationOrderAndKeepAtMostEightBytesOfAFrame();
    void refreshRendersEveryRowInTheNewMode();
    void textFormsMatchTheirPrintfFormats();
};

void TestTraceList::timeText_data() {
    QTest::addColumn<qint64>("time");
    QTest::addColumn<QString>("text");
    QTest::newRow("1h 2m 3s 1us") << qint64(3723000001) << "01:02:03,000001";
    QTest::newRow("three-digit hours") << qint64(360000) * 1000000 << "100:00:00,000000";
    QTest::newRow("past 2^32 us") << qint64(4294967296) << "01:11:34,967296";
    QTest::newRow("minus 1us") << qint64(-1) << "00:00:00,-000001";
    QTest::newRow("minus 1.5 s") << qint64(-1500000) << "1193046:28:15,-500000";
}

// The absolute text of a time, and the same after "+ " as the difference of two times.
void TestTraceList::timeText() {
    QFETCH(qint64, time);
    QFETCH(QString, text);
    char buffer[kTimeTextSize];
    FormatAbsoluteTime(buffer, time);
    QCOMPARE(QString::fromLatin1(buffer), text);
    FormatRelativeTime(buffer, 2000000, 2000000 + time);
    QCOMPARE(QString::fromLatin1(buffer), "+ " + text);
}

void TestTraceList::rowsAreLinkedInCreationOrderAndKeepAtMostEightBytesOfAFrame() {
    TraceList list;
    const RowColours colours{0x123456, 0x654321};
    TraceEntry* first = list.CreateEntry(nullptr, INT32_MIN, 0, colours);
    TraceEntry* second = list.CreateEntryRelative(first, INT32_MAX, 1000, 5660, colours);
    QVERIFY(list.TraceListHead() == first && first->next == second);
    QCOMPARE(QByteArray(first->numberText) + " " + second->numberText + " " + second->timeText,
             QByteArray("-2147483648 2147483647 + 00:00:00,004660"));
    QCOMPARE(second->slotTimes[0], qint64(5660));
    QVERIFY(second->backColour == 0x123456 && second->textColour == 0x654321);
    // A frame of 9 bytes keeps 8 in its slot and spills nothing; slots past 11 are ignored.
    const std::uint8_t frame[10] = {9, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    StoreFrame(second, 10, frame, 9, 77);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(second->frames[10]), 16),
             hex("0901020304050607 0000000000000000"));
    const TraceEntry before = *second;
    StoreFrame(second, 12, frame, 5, 99);
    QCOMPARE(std::memcmp(&before, second, sizeof before), 0);
    // Without memory no row is made and the list stays as it was.
    list.setAllocator([](std::size_t, void*) -> void* { return nullptr; }, nullptr);
    QVERIFY(list.CreateEntry(second, 1, 5, colours) == nullptr);
    QVERIFY(second->next == nullptr);
}

void TestTraceList::refreshRendersEveryRowInTheNewMode() {
    daridez::test::DecoderFixture f;
    f.feed(
        hex("0490100000 059110105500 05921020C100 05931030FA00 05941040FB00 05951050FC00"
            "0490300000 059130105500 059230203C00 059330300100 059430400200 059530500300"
            "059630600400 059730700500 059830800600 059930900700 059A30A00800 059B30B00200"));
    const auto rows = f.listRows();
    QCOMPARE(rows.size(), std::size_t{3});
    const TraceEntry *a = rows[1], *b = rows[2];
    RefreshTimeTexts(f.list, false);
    QCOMPARE(QByteArray(b->timeText), QByteArray("00:00:00,012288"));
    RefreshTimeTexts(f.list, true);
    QCOMPARE(QByteArray(rows[0]->timeText) + " " + b->timeText,
             QByteArray("+ 00:00:00,000000 + 00:00:00,008192"));
    RefreshIdTexts(f.list, false);
    QCOMPARE(QByteArray(a->idText) + b->idText + rows[0]->idText, QByteArray("(01)(3C)"));
    RefreshIdTexts(f.list, true);
    QCOMPARE(QByteArray(a->idText), QByteArray("[C1]"));
    // The ninth byte takes the data mode's form too; bytes not received stay empty.
    for (bool hexMode : {false, true, false}) {
        RefreshByteTexts(f.list, hexMode);
    }
    QCOMPARE(QByteArray(a->byteTexts[0]) + a->byteTexts[2] + a->byteTexts[3] + b->byteTexts[8],
             QByteArray("250252002"));
    RefreshByteTexts(f.list, true);
    QCOMPARE(QByteArray(a->byteTexts[2]) + a->byteTexts[8] + b->byteTexts[8], QByteArray("FCh02h"));
}

void TestTraceList::textFormsMatchTheirPrintfFormats() {
    char expected[64];
    for (int v = 0; v < 256; ++v) {
        const auto byte = static_cast<std::uint8_t>(v);
        char hexText[32], decimal[32], id[32], idWithoutParity[32];
        FormatByteText(hexText, byte, true);
        FormatByteText(decimal, byte, false);
        FormatIdText(id, byte, true);
        FormatIdText(idWithoutParity, byte, false);
        std::snprintf(expected, sizeof expected, "%2.2Xh %.3d [%2.2X] (%2.2X)", v, v, v, v & 0x3F);
        QCOMPARE(QByteArray(hexText) + ' ' + decimal + ' ' + id + ' ' + idWithoutParity,
                 QByteArray(expected));
    }
    // Times: edges of every field and of the 32-bit seconds, and many at random.
    std::vector<std::int64_t> times{0, 1, -1, 999999, -999999, 59999999, 60000000, 3599999999};
    times.insert(times.end(), {3600000000, 4294967295999999, 4294967296000000, INT64_MAX});
    times.push_back(INT64_MIN + 1);
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
        QCOMPARE(QByteArray(time), QByteArray(expected));
        FormatRelativeTime(time, 0, t);
        QCOMPARE(QByteArray(time), "+ " + QByteArray(expected));
    }
}

QTEST_GUILESS_MAIN(TestTraceList)
#include "tst_tracelist.moc"
