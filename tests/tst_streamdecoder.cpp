// The stream decoder: framing, the grammar of a LIN frame, bad frames, clock, counters,
// answers awaited by the controller, and running out of row memory.
#include <QTest>
#include <cstdlib>

#include "DecoderFixture.h"

using namespace daridez;
using namespace daridez::test;

class TestStreamDecoder : public QObject {
    Q_OBJECT

  private slots:
    void breakAfterResetOpensStartRowAndBreakRow();
    void breakTimesInAbsoluteMode();
    void startMarkerFirstRenamesStartRow();
    void startMarkerLaterOpensRowOfItsOwn();
    void startMarkerSwitchesStartRequestedToTracing();
    void twoDataBytesFillSyncIdAndDb0ToDb2();
    void ninthByteShowsUnderCsInEitherDataMode_data();
    void ninthByteShowsUnderCsInEitherDataMode();
    void syncByteOtherThan55IsMarked();
    void identifierText_data();
    void identifierText();
    void dataByteText_data();
    void dataByteText();
    void secondSyncAndFollowingBytesAreBadRowsUntilNextBreak();
    void deviceErrorRowIsRedAndCounted();
    void bufferOverflowRowIsPlainAndUncounted();
    void ignoredKindsChangeNothing();
    void zeroBytesBetweenFramesAreSkipped();
    void frameSplitOverTwoReadsIsDecodedOnce();
    void timerWrapMovesClockToNextMultiple();
    void clockKeepsCountingPast32Bits();
    void wrapsBeforeFirstFrameCountInStartRowEntryZero();
    void wrapAfterThirdResponseByteCountsInSlotFive();
    void versionResponseWhileTracingIsBadRow();
    void versionResponseInFileIsBadRow();
    void readingVersionSkipsFramesAndReturnsAnswerPosition();
    void settingBaudrateFindsItsAnswerOnly();
    void idleDropsLiveFrames();
    void oddLengthFrame_data();
    void oddLengthFrame();
    void incompleteLongFrameWaitsAsCarryOver();
    void restartKeepsRowsAndCountsResetForgetsThem();
    void relativeTimesAreMeasuredFromLastOpenedRow();
    void outOfMemorySkipsToNextRowOpeningFrame();
    void outOfMemoryForStartRowKeepsListIntact();
    void everySplitEndsOneBatch();
};

void TestStreamDecoder::breakAfterResetOpensStartRowAndBreakRow() {
    DecoderFixture f;
    QCOMPARE(f.feed(frameBytes({0x04, 0x90, 0x12, 0x34, 0xEE})), 0);
    const auto rows = f.listRows();
    QCOMPARE(rows.size(), std::size_t{2});
    QCOMPARE(f.sink.rows, rows);
    QCOMPARE(f.sink.numbers, (std::vector<std::int32_t>{0, 1}));

    QCOMPARE(text(rows[0]->infoText), QString("START"));
    QCOMPARE(text(rows[0]->numberText), QString("0"));
    QCOMPARE(rows[0]->slotTimes[0], 0);
    QCOMPARE(text(rows[0]->timeText), QString("+ 00:00:00,000000"));
    QCOMPARE(rows[0]->frames[0][0], std::uint8_t{0});
    QCOMPARE(rows[0]->textColour, f.sink.colours.windowText);
    QCOMPARE(rows[0]->backColour, f.sink.colours.window);

    QCOMPARE(text(rows[1]->infoText), QString("Break"));
    QCOMPARE(rows[1]->number, 1);
    QCOMPARE(rows[1]->slotTimes[0], 4660);
    QCOMPARE(text(rows[1]->timeText), QString("+ 00:00:00,004660"));
    // The check byte is never kept.
    QCOMPARE(slot(rows[1], 0), QByteArray::fromHex("0490123400000000"));
    QCOMPARE(rows[1]->textColour, f.sink.colours.windowText);
    QCOMPARE(f.decoder.decoderState(), DecoderState::AfterBreak);
    QCOMPARE(f.decoder.currentEntry(), rows[1]);
}

void TestStreamDecoder::breakTimesInAbsoluteMode() {
    DecoderFixture f;
    f.modes.relativeTime = false;
    f.feed(breakFrame(0x1234) + wrapFrame() + breakFrame(0x0001));
    const auto rows = f.listRows();
    QCOMPARE(text(rows[1]->timeText), QString("00:00:00,004660"));
    QCOMPARE(text(rows[2]->timeText), QString("00:00:00,065537"));
}

void TestStreamDecoder::startMarkerFirstRenamesStartRow() {
    DecoderFixture f;
    f.feed(startMarker(0x0102) + breakFrame(0x10));
    const auto rows = f.listRows();
    QCOMPARE(rows.size(), std::size_t{2});
    QCOMPARE(text(rows[0]->infoText), QString("START (258)"));
    QCOMPARE(rows[0]->number, 0);
    QCOMPARE(slot(rows[0], 0), QByteArray::fromHex("0582010200000000"));
    QCOMPARE(rows[1]->number, 1);
}

void TestStreamDecoder::startMarkerLaterOpensRowOfItsOwn() {
    DecoderFixture f;
    f.feed(breakFrame(0x100) + startMarker(7) + breakFrame(0x300));
    const auto rows = f.listRows();
    QCOMPARE(rows.size(), std::size_t{4});
    QCOMPARE(text(rows[0]->infoText), QString("START"));
    QCOMPARE(text(rows[2]->infoText), QString("START (7)"));
    QCOMPARE(rows[2]->number, 2);
    // The marker takes no stamp and does not move the time rows are measured from.
    QCOMPARE(text(rows[2]->timeText), QString("+ 00:00:00,000000"));
    QCOMPARE(text(rows[3]->timeText), QString("+ 00:00:00,000512"));
    QCOMPARE(f.decoder.decoderState(), DecoderState::AfterBreak);
}

void TestStreamDecoder::startMarkerSwitchesStartRequestedToTracing() {
    DecoderFixture f;
    f.state = TraceState::StartRequested;
    f.feed(startMarker(1), false);
    QCOMPARE(f.state, TraceState::Tracing);
    QCOMPARE(f.listRows().size(), std::size_t{1});
}

void TestStreamDecoder::twoDataBytesFillSyncIdAndDb0ToDb2() {
    DecoderFixture f;
    f.feed(linFrame(0x1000, 0x3C, {0x01, 0x02, 0xFC}));
    const auto rows = f.listRows();
    QCOMPARE(rows.size(), std::size_t{2});
    const TraceEntry* row = rows[1];
    QCOMPARE(text(row->syncText), QString("55"));
    QCOMPARE(text(row->idText), QString("[3C]"));
    QCOMPARE(text(row->byteTexts[0]), QString("01h"));
    QCOMPARE(text(row->byteTexts[1]), QString("02h"));
    QCOMPARE(text(row->byteTexts[2]), QString("FCh"));
    for (int i = 3; i < 9; ++i) {
        QCOMPARE(text(row->byteTexts[i]), QString());
        QCOMPARE(row->frames[3 + i][0], std::uint8_t{0});
    }
    QCOMPARE(row->textColour, kGreen);
    QCOMPARE(slot(row, 2), QByteArray::fromHex("059210203C000000"));
    QCOMPARE(row->slotTimes[5], 0x1000 + 48 + 32);
    QCOMPARE(f.decoder.frameCount(), 1);
    QCOMPARE(int(f.decoder.decoderState()), int(DecoderState::AfterByte1) + 2);
}

void TestStreamDecoder::ninthByteShowsUnderCsInEitherDataMode_data() {
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QString>("db7");
    QTest::newRow("hex") << true << "08h";
    QTest::newRow("decimal") << false << "008";
}

void TestStreamDecoder::ninthByteShowsUnderCsInEitherDataMode() {
    QFETCH(bool, hex);
    QFETCH(QString, db7);
    DecoderFixture f;
    f.modes.hexData = hex;
    f.feed(linFrame(0x2000, 0x80, {1, 2, 3, 4, 5, 6, 7, 8, 0xA5}) + breakFrame(0x3000));
    const TraceEntry* row = f.listRows()[1];
    QCOMPARE(text(row->byteTexts[7]), db7);
    QCOMPARE(text(row->byteTexts[8]), QString("A5"));
    QCOMPARE(slot(row, 11), QByteArray::fromHex("059B20B0A5000000"));
    // After the ninth byte the row is finished; the next break opens a new one.
    QCOMPARE(f.listRows().size(), std::size_t{3});
}

void TestStreamDecoder::syncByteOtherThan55IsMarked() {
    DecoderFixture f;
    f.feed(breakFrame(0) + syncFrame(0x10, 0x54));
    QCOMPARE(text(f.listRows()[1]->syncText), QString("#54"));
}

void TestStreamDecoder::identifierText_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<bool>("protectedId");
    QTest::addColumn<QString>("expected");
    QTest::newRow("C1 as received") << 0xC1 << true << "[C1]";
    QTest::newRow("C1 without parity") << 0xC1 << false << "(01)";
    QTest::newRow("3C as received") << 0x3C << true << "[3C]";
    QTest::newRow("3C without parity") << 0x3C << false << "(3C)";
}

void TestStreamDecoder::identifierText() {
    QFETCH(int, id);
    QFETCH(bool, protectedId);
    QFETCH(QString, expected);
    DecoderFixture f;
    f.modes.protectedId = protectedId;
    f.feed(linFrame(0, id, {}));
    QCOMPARE(text(f.listRows()[1]->idText), expected);
}

void TestStreamDecoder::dataByteText_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QString>("expected");
    QTest::newRow("5 hex") << 5 << true << "05h";
    QTest::newRow("5 decimal") << 5 << false << "005";
    QTest::newRow("0 hex") << 0 << true << "00h";
    QTest::newRow("0 decimal") << 0 << false << "000";
    QTest::newRow("255 hex") << 255 << true << "FFh";
    QTest::newRow("255 decimal") << 255 << false << "255";
}

void TestStreamDecoder::dataByteText() {
    QFETCH(int, value);
    QFETCH(bool, hex);
    QFETCH(QString, expected);
    DecoderFixture f;
    f.modes.hexData = hex;
    f.feed(linFrame(0, 0x10, {value}));
    QCOMPARE(text(f.listRows()[1]->byteTexts[0]), expected);
}

void TestStreamDecoder::secondSyncAndFollowingBytesAreBadRowsUntilNextBreak() {
    DecoderFixture f;
    f.feed(breakFrame(0x100) + syncFrame(0x110) + syncFrame(0x120) + idFrame(0x130, 0x20) +
           byteFrame(1, 0x140, 0x05) + linFrame(0x200, 0x21, {0x07}));
    const auto rows = f.listRows();
    QCOMPARE(rows.size(), std::size_t{6});
    QCOMPARE(text(rows[2]->infoText), QString("#err [05,91,01,20,55,00]"));
    QCOMPARE(text(rows[3]->infoText), QString("#err [05,92,01,30,20,00]"));
    QCOMPARE(text(rows[4]->infoText), QString("#err [05,93,01,40,05,00]"));
    for (int i = 2; i <= 4; ++i) {
        QCOMPARE(rows[i]->textColour, f.sink.colours.windowText);
        QCOMPARE(rows[i]->number, i);
        QCOMPARE(text(rows[i]->syncText), QString());
    }
    // Bad rows take no stamp: their time is the clock of the last stamped frame.
    QCOMPARE(rows[2]->slotTimes[0], 0x110);
    QCOMPARE(slot(rows[2], 0), QByteArray::fromHex("0591012055000000"));
    QCOMPARE(text(rows[5]->infoText), QString("Break"));
    QCOMPARE(text(rows[5]->byteTexts[0]), QString("07h"));
    QCOMPARE(f.decoder.frameCount(), 1);
    QCOMPARE(f.decoder.errorCount(), 0);
}

void TestStreamDecoder::deviceErrorRowIsRedAndCounted() {
    DecoderFixture f;
    f.feed(linFrame(0x100, 0x10, {1}) + deviceError(0x400, 0x3A) + byteFrame(2, 0x410, 2));
    const auto rows = f.listRows();
    QCOMPARE(rows.size(), std::size_t{4});
    QCOMPARE(text(rows[2]->infoText), QString("#3A"));
    QCOMPARE(rows[2]->textColour, kRed);
    QCOMPARE(rows[2]->slotTimes[0], 0x400);
    QCOMPARE(f.decoder.errorCount(), 1);
    // The LIN frame's row is finished; its second byte is out of sequence now.
    QVERIFY(text(rows[3]->infoText).startsWith("#err ["));
}

void TestStreamDecoder::bufferOverflowRowIsPlainAndUncounted() {
    DecoderFixture f;
    f.feed(breakFrame(0x100) + frameBytes({0x03, 0xF0, 0x99, 0x00}) + syncFrame(0x200));
    const auto rows = f.listRows();
    QCOMPARE(text(rows[2]->infoText), QString("#BufOvfl"));
    QCOMPARE(rows[2]->textColour, f.sink.colours.windowText);
    QCOMPARE(slot(rows[2], 0), QByteArray::fromHex("03F0990000000000"));
    QVERIFY(text(rows[3]->infoText).startsWith("#err ["));
    QCOMPARE(f.decoder.frameCount(), 0);
    QCOMPARE(f.decoder.errorCount(), 0);
}

void TestStreamDecoder::ignoredKindsChangeNothing() {
    DecoderFixture f;
    f.feed(breakFrame(0x100) + syncFrame(0x110) + frameBytes({0x02, 0x9D, 0x00}) +
           frameBytes({0x05, 0x9E, 0xFF, 0xFF, 0xFF, 0x00}) + idFrame(0x120, 0x11));
    const auto rows = f.listRows();
    QCOMPARE(rows.size(), std::size_t{2});
    QCOMPARE(text(rows[1]->idText), QString("[11]"));
    QCOMPARE(f.decoder.traceClock(), 0x120);
}

void TestStreamDecoder::zeroBytesBetweenFramesAreSkipped() {
    DecoderFixture f;
    const QByteArray zeros(3, '\0');
    QCOMPARE(f.feed(zeros + breakFrame(0x10) + zeros + syncFrame(0x20) + zeros), 0);
    const auto rows = f.listRows();
    QCOMPARE(rows.size(), std::size_t{2});
    QCOMPARE(text(rows[1]->syncText), QString("55"));
}

void TestStreamDecoder::frameSplitOverTwoReadsIsDecodedOnce() {
    DecoderFixture f;
    const QByteArray stream = breakFrame(0x10) + syncFrame(0x20);
    QCOMPARE(f.feed(stream.left(7)), 2);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(f.buffer.bytes.data()), 2), stream.mid(5, 2));
    QCOMPARE(f.listRows().size(), std::size_t{2});
    QCOMPARE(text(f.listRows()[1]->syncText), QString());
    QCOMPARE(f.feed(stream.mid(7, 3)), 5);
    QCOMPARE(f.feed(stream.mid(10)), 0);
    QCOMPARE(f.listRows().size(), std::size_t{2});
    QCOMPARE(text(f.listRows()[1]->syncText), QString("55"));
}

void TestStreamDecoder::timerWrapMovesClockToNextMultiple() {
    DecoderFixture f;
    f.feed(wrapFrame() + breakFrame(0xF000));
    QCOMPARE(f.decoder.traceClock(), 0x1F000);
    f.feed(wrapFrame());
    QCOMPARE(f.decoder.traceClock(), 0x20000);
    f.feed(syncFrame(0x0010));
    QCOMPARE(f.decoder.traceClock(), 0x20010);
    QCOMPARE(f.listRows()[1]->slotTimes[1], 0x20010);
}

void TestStreamDecoder::clockKeepsCountingPast32Bits() {
    DecoderFixture f;
    QByteArray wraps;
    for (int i = 0; i < 65537; ++i) {
        wraps += wrapFrame();
    }
    f.feed(wraps);
    f.feed(breakFrame(0x0005));
    const std::int64_t expected = std::int64_t{65537} * 65536 + 5;
    QCOMPARE(f.decoder.traceClock(), expected);
    QCOMPARE(f.listRows()[1]->slotTimes[0], expected);
    QCOMPARE(text(f.listRows()[1]->timeText), QString("+ 01:11:35,032837"));
}

void TestStreamDecoder::wrapsBeforeFirstFrameCountInStartRowEntryZero() {
    DecoderFixture f;
    f.feed(wrapFrame() + wrapFrame() + breakFrame(0x10));
    const auto rows = f.listRows();
    QCOMPARE(rows[0]->wrapCounts[0], 2u);
    QCOMPARE(rows[1]->wrapCounts[0], 0u);
    QCOMPARE(rows[1]->slotTimes[0], 0x20010);
}

void TestStreamDecoder::wrapAfterThirdResponseByteCountsInSlotFive() {
    DecoderFixture f;
    f.feed(linFrame(0x100, 0x10, {1, 2, 3}) + wrapFrame() + byteFrame(4, 0x05, 4) + wrapFrame() +
           wrapFrame());
    const TraceEntry* row = f.listRows()[1];
    QCOMPARE(row->wrapCounts[5], 1u);
    QCOMPARE(row->wrapCounts[6], 2u);
    for (int k : {0, 1, 2, 3, 4, 7}) {
        QCOMPARE(row->wrapCounts[k], 0u);
    }
    QCOMPARE(row->slotTimes[6], 0x10005);
}

void TestStreamDecoder::versionResponseWhileTracingIsBadRow() {
    DecoderFixture f;
    f.state = TraceState::Tracing;
    QCOMPARE(f.feed(frameBytes({0x05, 0x80, 0x01, 0x02, 0x03, 0x0B}), false), 0);
    const auto rows = f.listRows();
    QCOMPARE(rows.size(), std::size_t{2});
    QCOMPARE(text(rows[1]->infoText), QString("#err [05,80,01,02,03,0B]"));
    QCOMPARE(f.state, TraceState::Tracing);
}

void TestStreamDecoder::versionResponseInFileIsBadRow() {
    DecoderFixture f;
    f.state = TraceState::ReadingVersion;  // file mode looks at no state
    QCOMPARE(f.feed(frameBytes({0x05, 0x80, 0x01, 0x02, 0x03, 0x0B})), 0);
    QCOMPARE(text(f.listRows()[1]->infoText), QString("#err [05,80,01,02,03,0B]"));
    QCOMPARE(f.state, TraceState::ReadingVersion);
}

void TestStreamDecoder::readingVersionSkipsFramesAndReturnsAnswerPosition() {
    DecoderFixture f;
    f.state = TraceState::ReadingVersion;
    const QByteArray answer = frameBytes({0x05, 0x80, 0x01, 0x02, 0x03, 0x0B});
    const QByteArray stream = breakFrame(0x10) + syncFrame(0x20) + answer + breakFrame(0x30);
    QCOMPARE(f.feed(stream, false), 11);
    QCOMPARE(f.state, TraceState::Idle);
    QVERIFY(f.listRows().empty());
    // The answer and what follows stay where they were.
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(f.buffer.bytes.data()), stream.size()),
             stream);
    QCOMPARE(f.sink.batches, 1);
}

void TestStreamDecoder::settingBaudrateFindsItsAnswerOnly() {
    DecoderFixture f;
    f.state = TraceState::SettingBaudrate;
    const QByteArray version = frameBytes({0x05, 0x80, 0x01, 0x02, 0x03, 0x0B});
    const QByteArray shortAnswer = frameBytes({0x04, 0x81, 0x4B, 0x00, 0x00});
    const QByteArray answer = frameBytes({0x05, 0x81, 0x4B, 0x00, 0x00, 0x00});
    QCOMPARE(f.feed(version + shortAnswer + answer, false), 11);
    QCOMPARE(f.state, TraceState::Idle);
    QVERIFY(f.listRows().empty());
}

void TestStreamDecoder::idleDropsLiveFrames() {
    DecoderFixture f;
    QCOMPARE(f.feed(linFrame(0x10, 0x10, {1, 2}) + frameBytes({0x05, 0x81, 0, 0, 0, 0}), false), 0);
    QVERIFY(f.listRows().empty());
    QCOMPARE(f.decoder.traceClock(), 0);
    QCOMPARE(f.state, TraceState::Idle);
}

void TestStreamDecoder::oddLengthFrame_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("info");
    QTest::addColumn<QByteArray>("slot0");
    QTest::newRow("length 1") << QByteArray::fromHex("0190") << "#err [01,90]"
                              << QByteArray::fromHex("0100000000000000");
    QTest::newRow("length 6") << QByteArray::fromHex("06910010555555")
                              << "#err [06,91,00,10,55,55..]"
                              << QByteArray::fromHex("0691001055550000");
    QTest::newRow("length 7") << QByteArray::fromHex("0790010203040506")
                              << "#err [07,90,01,02,03,04..]"
                              << QByteArray::fromHex("0790010203040500");
    QTest::newRow("length 8") << QByteArray::fromHex("089001020304050607")
                              << "#err [08,90,01,02,03,04..]"
                              << QByteArray::fromHex("0890010203040506");
    QTest::newRow("length 9 is not kept") << QByteArray::fromHex("09900102030405060708")
                                          << "#err [09,90,01,02,03,04..]" << QByteArray(8, '\0');
    QTest::newRow("wrap kind, length 6")
        << QByteArray::fromHex("06A000000000FF") << "#err [06,A0,00,00,00,00..]"
        << QByteArray::fromHex("06A0000000000000");
    QByteArray longest(256, '\x11');
    longest[0] = '\xFF';
    QTest::newRow("length 255") << longest << "#err [FF,11,11,11,11,11..]" << QByteArray(8, '\0');
}

void TestStreamDecoder::oddLengthFrame() {
    QFETCH(QByteArray, frame);
    QFETCH(QString, info);
    QFETCH(QByteArray, slot0);
    DecoderFixture f;
    // In the middle of a LIN frame: the odd frame ends it, and decoding goes on behind it.
    QCOMPARE(f.feed(breakFrame(0x100) + syncFrame(0x110) + frame + breakFrame(0x200)), 0);
    const auto rows = f.listRows();
    QCOMPARE(rows.size(), std::size_t{4});
    QCOMPARE(text(rows[2]->infoText), info);
    QVERIFY(info.size() < 32);
    QCOMPARE(slot(rows[2], 0), slot0);
    QCOMPARE(text(rows[3]->infoText), QString("Break"));
    QCOMPARE(rows[3]->slotTimes[0], 0x200);
    QCOMPARE(f.decoder.traceClock(), 0x200);
}

void TestStreamDecoder::incompleteLongFrameWaitsAsCarryOver() {
    DecoderFixture f;
    QByteArray longFrame(201, '\x22');
    longFrame[0] = '\xC8';
    QCOMPARE(f.feed(breakFrame(0x10) + longFrame.left(100)), 100);
    QCOMPARE(f.listRows().size(), std::size_t{2});
    QCOMPARE(f.feed(longFrame.mid(100) + breakFrame(0x20)), 0);
    const auto rows = f.listRows();
    QCOMPARE(rows.size(), std::size_t{4});
    QCOMPARE(text(rows[2]->infoText), QString("#err [C8,22,22,22,22,22..]"));
    QCOMPARE(text(rows[3]->infoText), QString("Break"));
}

void TestStreamDecoder::restartKeepsRowsAndCountsResetForgetsThem() {
    DecoderFixture f;
    f.feed(linFrame(0x100, 0x10, {1}) + deviceError(0x200, 1));
    TraceEntry* last = f.decoder.currentEntry();
    f.decoder.RestartDecoder();
    QCOMPARE(f.decoder.traceClock(), 0);
    QCOMPARE(f.decoder.currentEntry(), last);
    f.feed(breakFrame(0x50));
    auto rows = f.listRows();
    QCOMPARE(rows.size(), std::size_t{5});
    QCOMPARE(last->next, rows[3]);
    QCOMPARE(text(rows[3]->infoText), QString("START"));
    QCOMPARE(rows[3]->number, 0);
    QCOMPARE(rows[4]->number, 1);
    QCOMPARE(rows[4]->slotTimes[0], 0x50);
    QCOMPARE(f.decoder.frameCount(), 1);
    QCOMPARE(f.decoder.errorCount(), 1);

    f.decoder.ResetDecoder();
    QCOMPARE(f.decoder.currentEntry(), nullptr);
    QCOMPARE(f.decoder.frameCount(), 0);
    QCOMPARE(f.decoder.errorCount(), 0);
    QCOMPARE(f.decoder.decoderState(), DecoderState::Initial);
}

void TestStreamDecoder::relativeTimesAreMeasuredFromLastOpenedRow() {
    DecoderFixture f;
    f.feed(breakFrame(0x1000) + deviceError(0x1800, 2) + frameBytes({0x02, 0x77, 0x00}) +
           startMarker(3) + breakFrame(0x2000));
    const auto rows = f.listRows();
    QCOMPARE(text(rows[2]->timeText), QString("+ 00:00:00,002048"));
    QCOMPARE(text(rows[3]->timeText), QString("+ 00:00:00,000000"));  // bad frame
    QCOMPARE(text(rows[4]->timeText), QString("+ 00:00:00,000000"));  // start marker
    QCOMPARE(text(rows[5]->timeText), QString("+ 00:00:00,002048"));
}

namespace {

// Lets `remaining` allocations succeed, then fails every one while `failing` is set.
struct FailingAllocator {
    int remaining = 0;
    bool failing = true;
    static void* allocate(std::size_t size, void* context) {
        auto* self = static_cast<FailingAllocator*>(context);
        if (self->failing && self->remaining-- <= 0) {
            return nullptr;
        }
        return std::calloc(1, size);
    }
};

}  // namespace

void TestStreamDecoder::outOfMemorySkipsToNextRowOpeningFrame() {
    DecoderFixture f;
    FailingAllocator allocator{2};
    f.list.setAllocator(&FailingAllocator::allocate, &allocator);
    f.feed(linFrame(0x100, 0x10, {1}));
    QVERIFY(!f.decoder.takeOutOfMemory());
    // The second LIN frame's row cannot be made: its fields go nowhere, wraps only
    // move the clock, and the first row stays untouched.
    f.feed(linFrame(0x200, 0x20, {2, 3}) + wrapFrame() + frameBytes({0x02, 0x55, 0x00}));
    QVERIFY(f.decoder.takeOutOfMemory());
    QVERIFY(!f.decoder.takeOutOfMemory());
    auto rows = f.listRows();
    QCOMPARE(rows.size(), std::size_t{2});
    QCOMPARE(rows[1]->next, nullptr);
    QCOMPARE(text(rows[1]->byteTexts[0]), QString("01h"));
    QCOMPARE(text(rows[1]->byteTexts[1]), QString());
    QCOMPARE(rows[1]->wrapCounts[3], 0u);
    QCOMPARE(f.decoder.currentEntry(), rows[1]);
    QCOMPARE(f.decoder.frameCount(), 1);
    QCOMPARE(f.decoder.traceClock(), 0x10000);
    QCOMPARE(f.sink.rows.size(), std::size_t{2});

    allocator.failing = false;
    f.feed(syncFrame(0x300) + linFrame(0x400, 0x30, {4}));
    rows = f.listRows();
    QCOMPARE(rows.size(), std::size_t{3});
    QCOMPARE(rows[2]->number, 2);
    QCOMPARE(rows[2]->slotTimes[0], 0x10400);
    QCOMPARE(text(rows[2]->idText), QString("[30]"));
    QCOMPARE(f.decoder.frameCount(), 2);
    QCOMPARE(f.sink.rows, rows);
    QVERIFY(!f.decoder.takeOutOfMemory());
}

void TestStreamDecoder::outOfMemoryForStartRowKeepsListIntact() {
    DecoderFixture f;
    FailingAllocator allocator{0};
    f.list.setAllocator(&FailingAllocator::allocate, &allocator);
    f.feed(startMarker(1) + linFrame(0x100, 0x10, {1}) + deviceError(0x200, 4));
    QCOMPARE(f.list.TraceListHead(), nullptr);
    QCOMPARE(f.decoder.currentEntry(), nullptr);
    QVERIFY(f.sink.rows.empty());
    QVERIFY(f.decoder.takeOutOfMemory());
    allocator.failing = false;
    f.feed(breakFrame(0x300));
    QCOMPARE(f.listRows().size(), std::size_t{1});
    QCOMPARE(text(f.listRows()[0]->infoText), QString("Break"));
}

void TestStreamDecoder::everySplitEndsOneBatch() {
    DecoderFixture f;
    f.feed(breakFrame(0x10));
    f.feed(syncFrame(0x20).left(3));
    f.feed(QByteArray());
    QCOMPARE(f.sink.batches, 3);
}

QTEST_GUILESS_MAIN(TestStreamDecoder)
#include "tst_streamdecoder.moc"
