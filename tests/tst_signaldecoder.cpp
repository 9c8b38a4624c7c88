// Signal values decoded from frame data with the project's fixtures, worked out by hand:
// widths across byte borders, byte arrays, each converter, event-triggered and short
// frames; the checksum model of each frame.
#include <QTest>

#include "ldf/ChecksumModel.h"
#include "ldf/LdfParser.h"
#include "ldf/SignalDecoder.h"

using namespace daridez;

namespace {

const LdfModel& fixture(const char* name) {
    static std::map<std::string, LdfModel> models;
    auto [at, added] = models.try_emplace(name);
    if (added)
        at->second = LdfParser::read(std::string(DARIDEZ_LDF_FIXTURES "/") + name).model;
    return at->second;
}

const char* kindWord(LdfSignalValue::Kind kind) {
    static const char* const kWords[] = {"raw", "logical", "physical", "bcd", "ascii", "none"};
    return kWords[static_cast<int>(kind)];
}

// "Frame.Signal=text unit (raw R, kind, offset+width)" per value, joined by "; ".
QString decodeText(const LdfModel& model, int id, const QByteArray& data) {
    const LdfFrameDecode decode =
        SignalDecoder(model).decode(id, std::vector<std::uint8_t>(data.begin(), data.end()));
    switch (decode.status) {
        case LdfFrameDecode::Status::Unknown:
            return "unknown";
        case LdfFrameDecode::Status::Short:
            return QString("short: %1 of %2").arg(decode.received).arg(decode.expected);
        case LdfFrameDecode::Status::NoAssociated:
            return "no associated frame";
        case LdfFrameDecode::Status::Decoded:
            break;
    }
    QStringList values;
    for (const LdfSignalValue& value : decode.values) {
        QString text = QString::fromStdString(std::string(value.frame) + "." +
                                              std::string(value.signal) + "=" + value.text);
        if (!value.unit.empty())
            text += " " + QString::fromStdString(std::string(value.unit));
        values << text + QString(" (raw %1, %2, %3+%4)")
                             .arg(value.raw)
                             .arg(kindWord(value.kind))
                             .arg(value.offset)
                             .arg(value.width);
    }
    return values.join("; ");
}

// What a plot reads of each value (kind, raw value, number, unit) and its text.
QStringList numbersOf(const LdfFrameDecode& decode, QStringList& texts) {
    QStringList numbers;
    for (const LdfSignalValue& value : decode.values) {
        numbers << QString("%1 %2 %3 %4 %5")
                       .arg(kindWord(value.kind))
                       .arg(value.raw)
                       .arg(value.hasNumber ? QString::number(value.number, 'g', 17) : "-")
                       .arg(QString::fromStdString(std::string(value.unit)))
                       .arg(value.byteCount);
        texts << QString::fromStdString(value.text);
    }
    return numbers;
}

}  // namespace

class TestSignalDecoder : public QObject {
    Q_OBJECT

  private slots:
    void decodesByHand_data() {
        QTest::addColumn<QString>("ldf");
        QTest::addColumn<int>("id");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("expected");
        const auto rowOf = [](const char* ldf, const char* name, int id, const char* data,
                              const char* expected) {
            QTest::newRow(name) << ldf << id << QByteArray::fromHex(data) << QString(expected);
        };
        const auto row = [&rowOf](const char* name, int id, const char* data,
                                  const char* expected) {
            rowOf("constructs.ldf", name, id, data, expected);
        };
        // C1 = 1100 0001, 35 = 0011 0101: Wide3 is bits 6, 7 of byte 0 and bit 0 of byte 1;
        // Cross12 is the high nibble of byte 1 under byte 2 (AB3).
        row("widths 1, 3, 12, 16 across bytes", 0x10, "C135AB3412",
            "DoorStatus.Bit1=1 (raw 1, raw, 0+1); DoorStatus.Wide3=7 (raw 7, raw, 6+3); "
            "DoorStatus.Cross12=2739 (raw 2739, raw, 12+12); "
            "DoorStatus.Full16=4660 (raw 4660, raw, 24+16)");
        // 100 * 0.5 - 40; 1C8 = 456, 456 * -0.25 + 100; BCD 04 02; ASCII ABC.
        row("physical, negative scale, bcd, ascii", 0x11, "64C8010402414243",
            "SeatStatus.Temp=10 °C (raw 100, physical, 0+8); "
            "SeatStatus.Level=-14 % (raw 456, physical, 8+10); "
            "SeatStatus.Code=42 (raw 1026, bcd, 24+16); "
            "SeatStatus.Name=ABC (raw 4276803, ascii, 40+24)");
        row("logical after physical, bcd refused", 0x11, "FF0000000A58595A",
            "SeatStatus.Temp=error (raw 255, logical, 0+8); "
            "SeatStatus.Level=100 % (raw 0, physical, 8+10); "
            "SeatStatus.Code= (raw 10, none, 24+16); "
            "SeatStatus.Name=XYZ (raw 5790042, ascii, 40+24)");
        row("no converter accepts", 0x11, "FB00000000202020",
            "SeatStatus.Temp= (raw 251, none, 0+8); "
            "SeatStatus.Level=100 % (raw 0, physical, 8+10); "
            "SeatStatus.Code=0 (raw 0, bcd, 24+16); "
            "SeatStatus.Name=    (raw 2105376, ascii, 40+24)");
        // FDE8 = 65000 * 5.6785558246e-04; 65001 * 350 - 22.5.
        row("logical, small scale", 0x20, "02E8FD",
            "GatewayCmd.Mode=error (raw 2, logical, 0+2); "
            "GatewayCmd.Speed=36.9106 km/h (raw 65000, physical, 8+16)");
        row("second physical range, no logical", 0x20, "03E9FD",
            "GatewayCmd.Mode= (raw 3, none, 0+2); "
            "GatewayCmd.Speed=2.27503e+07 (raw 65001, physical, 8+16)");
        row("array as a big-endian number", 0x22, "00010002",
            "SerialFrame.Serial=65538 (raw 65538, physical, 0+32)");
        row("logical 0", 0x21, "00", "LampStatus.Lamp=Off (raw 0, logical, 0+8)");
        row("physical with offset", 0x21, "FE", "LampStatus.Lamp=354 lux (raw 254, physical, 0+8)");
        row("longer response decodes its first bytes", 0x21, "0107",
            "LampStatus.Lamp=101 lux (raw 1, physical, 0+8)");
        // 92 is the protected identifier of 12 (DoorErr).
        row("event-triggered", 0x3A, "9201", "DoorErr.DoorError=1 (raw 1, raw, 8+1)");
        row("event-triggered, other answer", 0x3A, "D3FF",
            "SeatErr.SeatError=255 (raw 255, raw, 8+8)");
        row("event-triggered, no such answer", 0x3A, "1001", "no associated frame");
        row("short", 0x10, "C135AB", "short: 3 of 5");
        row("unknown identifier", 0x30, "00", "unknown");
        row("above 3F never matches", 0x45, "00", "unknown");
        // A digit of four bits still takes its byte; the text keeps its bytes as they are.
        rowOf("narrow.ldf", "bcd narrower than a byte", 0x05, "07225C41",
              "DisplayText.Digit=7 (raw 7, bcd, 0+4); "
              "DisplayText.Label=\"\\A (raw 2251841, ascii, 8+24)");
    }
    void decodesByHand() {
        QFETCH(QString, ldf);
        QFETCH(int, id);
        QFETCH(QByteArray, data);
        QFETCH(QString, expected);
        const LdfModel& model = fixture(qPrintable(ldf));
        QCOMPARE(decodeText(model, id, data), expected);
        // Without texts: the same kinds, raw values, numbers and units, every text empty.
        const std::vector<std::uint8_t> bytes(data.begin(), data.end());
        SignalDecoder bare(model);
        bare.setTexts(false);
        QStringList texts, noTexts;
        const QStringList numbers = numbersOf(SignalDecoder(model).decode(id, bytes), texts);
        QCOMPARE(numbersOf(bare.decode(id, bytes), noTexts), numbers);
        QCOMPARE(noTexts.join(""), "");
    }

    void checksumModelOfEachFrame_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("model");
        const auto row = [](const char* file, const char* frame, const char* model) {
            QTest::newRow(qPrintable(QString(file) + " " + frame)) << file << frame << model;
        };
        row("constructs.ldf", "DoorStatus", "enhanced");  // a 2.2 slave
        row("constructs.ldf", "SeatStatus", "enhanced");  // a 2.0 slave
        row("constructs.ldf", "LampStatus", "classic");   // a 1.3 slave
        row("constructs.ldf", "GatewayCmd", "enhanced");  // master, 2.x subscribers
        row("constructs.ldf", "LampCmd", "classic");      // master, a 1.3 subscriber
        row("constructs.ldf", "MasterReq", "classic");    // 0x3C
        row("constructs.ldf", "SlaveResp", "classic");    // 0x3D
        row("constructs.ldf", "DoorEvent", "enhanced");   // as its associated frames
        row("classic.ldf", "MirrorPos", "classic");       // LIN 1.3 throughout
        row("classic.ldf", "MirrorCmd", "classic");
        row("j2602.ldf", "PumpStatus", "enhanced");
    }
    void checksumModelOfEachFrame() {
        QFETCH(QString, fixture);
        QFETCH(QString, frame);
        QFETCH(QString, model);
        const LdfModel& ldf = ::fixture(qPrintable(fixture));
        const LdfFrame* found = ldf.frameByName(frame.toStdString());
        QVERIFY(found != nullptr);
        QCOMPARE(ChecksumModel::name(ChecksumModel(ldf).of(*found)), model);
    }
};

QTEST_GUILESS_MAIN(TestSignalDecoder)
#include "tst_signaldecoder.moc"
