// Command frames towards the device, their checksum, and the readers of the answers.
#include <QTest>

#include "protocol/CommandFrames.h"

using namespace daridez;

Q_DECLARE_METATYPE(std::string)

namespace {

QByteArray bytesOf(const std::uint8_t* bytes, std::size_t count) {
    return QByteArray(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(count));
}

}  // namespace

class TestCommandFrames : public QObject {
    Q_OBJECT

  private slots:
    void constantFramesAreExact();
    void checksumIsTheLowByteOfTheSum();
    void setBaudrateFrameFromText_data();
    void setBaudrateFrameFromText();
    void setBaudrateFrameRebuiltCarriesNewValueAndChecksum();
    void readsVersionResponse();
    void readsBaudrateResponse_data();
    void readsBaudrateResponse();
};

void TestCommandFrames::constantFramesAreExact() {
    QCOMPARE(bytesOf(ReadVersion.data(), 3), QByteArray::fromHex("020002"));
    QCOMPARE(bytesOf(StartTrace.data(), 3), QByteArray::fromHex("020204"));
    QCOMPARE(bytesOf(StopTrace.data(), 3), QByteArray::fromHex("020305"));
    for (const ConstantFrame& frame : {ReadVersion, StartTrace, StopTrace}) {
        QCOMPARE(frameChecksum(frame.data(), 2), frame[2]);
    }
}

void TestCommandFrames::checksumIsTheLowByteOfTheSum() {
    const std::uint8_t bytes[] = {0x04, 0x01, 0x4B, 0x00, 0xFF, 0xFF};
    QCOMPARE(frameChecksum(bytes, 4), std::uint8_t{0x50});
    QCOMPARE(frameChecksum(bytes, 0), std::uint8_t{0});
    QCOMPARE(frameChecksum(bytes, 6), std::uint8_t((0x50 + 0xFF + 0xFF) & 0xFF));
}

void TestCommandFrames::setBaudrateFrameFromText_data() {
    QTest::addColumn<std::string>("text");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("1200") << std::string("1200") << QByteArray::fromHex("040104B0B9");
    QTest::newRow("2400") << std::string("2400") << QByteArray::fromHex("040109606E");
    QTest::newRow("4800") << std::string("4800") << QByteArray::fromHex("040112C0D7");
    QTest::newRow("9600") << std::string("9600") << QByteArray::fromHex("04012580AA");
    QTest::newRow("19200") << std::string("19200") << QByteArray::fromHex("04014B0050");
    QTest::newRow("blank, digits, letters")
        << std::string(" 4800abc") << QByteArray::fromHex("040112C0D7");
    QTest::newRow("tab and newline in front")
        << std::string("\t\n4800") << QByteArray::fromHex("040112C0D7");
    QTest::newRow("above 65535 keeps low 16 bits")
        << std::string("70000") << QByteArray::fromHex("0401117086");
    QTest::newRow("minus one") << std::string("-1") << QByteArray::fromHex("0401FFFF03");
    QTest::newRow("plus sign") << std::string("+9600") << QByteArray::fromHex("04012580AA");
    QTest::newRow("empty") << std::string() << QByteArray::fromHex("0401000005");
    QTest::newRow("letters") << std::string("fast") << QByteArray::fromHex("0401000005");
    QTest::newRow("sign without digits") << std::string("-x1") << QByteArray::fromHex("0401000005");
    QTest::newRow("two signs") << std::string("+-5") << QByteArray::fromHex("0401000005");
    QTest::newRow("blank after sign") << std::string("- 5") << QByteArray::fromHex("0401000005");
    // 2^32 + 19200: the value wraps without overflow, its low 16 bits stay 0x4B00.
    QTest::newRow("huge number") << std::string("4294986496") << QByteArray::fromHex("04014B0050");
    QTest::newRow("endless digits") << std::string(200, '9') << QByteArray::fromHex("0401FFFF03");
}

void TestCommandFrames::setBaudrateFrameFromText() {
    QFETCH(std::string, text);
    QFETCH(QByteArray, frame);
    SetBaudrateFrame setBaudrate;
    const auto& bytes = setBaudrate.build(text);
    QCOMPARE(bytesOf(bytes.data(), bytes.size()), frame);
    QCOMPARE(bytesOf(setBaudrate.bytes().data(), SetBaudrateFrame::kLength), frame);
}

void TestCommandFrames::setBaudrateFrameRebuiltCarriesNewValueAndChecksum() {
    SetBaudrateFrame setBaudrate;
    QCOMPARE(bytesOf(setBaudrate.bytes().data(), 5), QByteArray::fromHex("04014B0000"));
    setBaudrate.build("1200");
    const auto& bytes = setBaudrate.build("9600");
    QCOMPARE(bytesOf(bytes.data(), 5), QByteArray::fromHex("04012580AA"));
}

void TestCommandFrames::readsVersionResponse() {
    const std::uint8_t frame[] = {0x05, 0x80, 0x01, 0x02, 0x03, 0x77};
    const FirmwareVersion version = readVersionResponse(frame);
    QCOMPARE(version.major, 1);
    QCOMPARE(version.minor, 2);
    QCOMPARE(version.patch, 3);
    const std::uint8_t high[] = {0x05, 0x80, 0xFF, 0x80, 0x00, 0x00};
    QCOMPARE(readVersionResponse(high).major, 255);
    QCOMPARE(readVersionResponse(high).minor, 128);
}

void TestCommandFrames::readsBaudrateResponse_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("baudrate");
    QTest::addColumn<int>("result");
    QTest::newRow("19200 ok") << QByteArray::fromHex("05814B000012") << 19200 << 0;
    QTest::newRow("9600 result 7") << QByteArray::fromHex("0581258007FF") << 9600 << 7;
    QTest::newRow("maximum") << QByteArray::fromHex("0581FFFFFF00") << 65535 << 255;
}

void TestCommandFrames::readsBaudrateResponse() {
    QFETCH(QByteArray, frame);
    QFETCH(int, baudrate);
    QFETCH(int, result);
    const auto answer = readBaudrateResponse(reinterpret_cast<const std::uint8_t*>(frame.data()));
    QCOMPARE(answer.baudrate, baudrate);
    QCOMPARE(answer.result, result);
}

QTEST_GUILESS_MAIN(TestCommandFrames)
#include "tst_commandframes.moc"
