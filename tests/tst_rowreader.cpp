// A row's LIN frame read with the example LDF: the Frame column's text, the signal pane's
// lines and the data cells' tool tips, hand-computed from the LDF's bit layout.
#include <QTest>

#include "DecoderFixture.h"
#include "lin/FrameCheck.h"
#include "lin/LinDescription.h"
#include "lin/RowReader.h"

using namespace daridez;
using namespace daridez::test;

namespace {

// A whole LIN frame: identifier (parity added), the data bytes and a checksum byte (not
// read).
LinFrame frameOf(int id, const QByteArray& data) {
    return linFrameOf(ProtectedId(std::uint8_t(id)), data);
}

const LinDescription& exampleLdf() {
    static const LinDescription ldf = LinDescription::read(DARIDEZ_EXAMPLE_LDF);
    return ldf;
}

}  // namespace

class TestRowReader : public QObject {
    Q_OBJECT

  private slots:
    void examplePassesTheReaderCleanly() {
        QVERIFY(exampleLdf().usable());
        QCOMPARE(exampleLdf().diagnostics().size(), std::size_t(0));
        QCOMPARE(exampleLdf().shortSummary(), "2.2, 19.2 kbps, 8 frames");
        QCOMPARE(exampleLdf().speedMismatch("19200"), "");
        QCOMPARE(exampleLdf().speedMismatch("9600"),
                 "LDF speed 19.2 kbps differs from the LIN-Baudrate 9600");
    }

    // Rows: the frame, then the Frame column, the pane's header fields and lines
    // ("signal=value|raw|encoding|bit|width", a star where nothing changed is marked)
    // and the tool tip of one data byte.
    void readsFramesAsTheLdfLaysThemOut_data() {
        QTest::addColumn<bool>("withLdf");
        QTest::addColumn<int>("id");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("header");  // frame|publisher|model|note
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("byte");
        QTest::addColumn<QString>("tip");
        QTest::newRow("physical and logical signals across byte borders")
            << true << 0x30 << QByteArray("A3FD0419") << "RLS_Status"
            << "RLS_Status|RLS|enhanced|"
            << QStringList{"RainIntensity=3 step|0x3 (3)|RainType: physical|0|4",
                           "LightRequest=off|0x0 (0)|OnOffType: logical|4|1",
                           "TunnelDetected=on|0x1 (1)|OnOffType: logical|5|1",
                           "RLS_RespError=response error|0x1 (1)|ErrorType: logical|7|1",
                           "AmbientLight=3192.5 lux|0x4FD (1277)|LuxType: physical|8|12",
                           "SolarLoad=720 W/m2|0x90 (144)|SolarType: physical|20|8"}
            << 2 << "AmbientLight = 3192.5 lux (raw 1277)\nSolarLoad = 720 W/m2 (raw 144)";
        // BCM_Command's first two bytes, the same in both its rows.
        const QStringList command{"InteriorLight=on|0x1 (1)|LightMode: logical|0|2",
                                  "WiperMode=fast|0x3 (3)|WiperModeType: logical|2|3",
                                  "LockRequest=unlock|0x2 (2)|LockRequestType: logical|5|2",
                                  "MirrorFold=off|0x0 (0)|OnOffType: logical|7|1",
                                  "IgnitionState=crank|0x3 (3)|IgnitionType: logical|8|2"};
        const QString noTemp = "OutsideTemp=not available|0xFF (255)|TemperatureType: logical|24|8";
        QTest::newRow("a logical value beside the physical range")
            << true << 0x10 << QByteArray("4DF7FFFF") << "BCM_Command"
            << "BCM_Command|BCM|enhanced|"
            << (QStringList(command)
                << "VehicleSpeed=not available|0xFFF (4095)|SpeedType: logical|12|12" << noTemp)
            << 3 << "OutsideTemp = not available (raw 255)";
        QTest::newRow("six significant digits")
            << true << 0x10 << QByteArray("4D37F0FF") << "BCM_Command"
            << "BCM_Command|BCM|enhanced|"
            << (QStringList(command)
                << "VehicleSpeed=240.188 km/h|0xF03 (3843)|SpeedType: physical|12|12" << noTemp)
            << 1 << "IgnitionState = crank (raw 3)\nVehicleSpeed = 240.188 km/h (raw 3843)";
        QTest::newRow("event-triggered: the answering frame, named after its first byte")
            << true << 0x3A << QByteArray("2085FF") << "DoorEvent -> DoorFL_Status"
            << "DoorEvent -> DoorFL_Status|DoorFL|enhanced|"
            << QStringList{"FL_WindowPosition=5 %|0x5 (5)|PercentType: physical|8|7",
                           "FL_DoorOpen=open|0x1 (1)|DoorType: logical|15|1",
                           "FL_LockState=not available|0x3 (3)|LockType: logical|16|2",
                           "FL_ChildLock=on|0x1 (1)|OnOffType: logical|18|1",
                           "FL_RespError=response error|0x1 (1)|ErrorType: logical|23|1"}
            << 0 << "";
        QTest::newRow("short response: not decoded")
            << true << 0x30 << QByteArray("A3FD") << "RLS_Status"
            << "RLS_Status|RLS|enhanced|2 of 4 bytes, not decoded" << QStringList{} << 1 << "";
        QTest::newRow("an identifier the LDF does not name")
            << true << 0x05 << QByteArray("0102") << ""
            << "ID 05|||not in the LDF" << QStringList{} << 0 << "";
        QTest::newRow("no LDF") << false << 0x30 << QByteArray("A3FD0419") << ""
                                << "ID 30|||no LDF" << QStringList{} << 1 << "";
        QTest::newRow("diagnostic request: the transport layer, the node named")
            << true << 0x3C << QByteArray("2106B2005A1E010D") << "MasterReq NAD 21 ReadByIdentifier"
            << "MasterReq|BCM|classic|"
            << QStringList{"MasterReq=NAD 21 (DoorFL)", "SF=length 6", "SID=B2 ReadByIdentifier",
                           "data=00 5A 1E 01 0D"}
            << 0 << "";
        QTest::newRow("diagnostic response without an LDF")
            << false << 0x3D << QByteArray("2106F25A1E010D01")
            << "SlaveResp NAD 21 ReadByIdentifier positive"
            << "SlaveResp||classic|"
            << QStringList{"SlaveResp=NAD 21", "SF=length 6",
                           "RSID=F2 positive response to B2 ReadByIdentifier",
                           "data=5A 1E 01 0D 01"}
            << 0 << "";
        QTest::newRow("negative response")
            << false << 0x3D << QByteArray("21037FB612FFFFFF")
            << "SlaveResp NAD 21 SaveConfiguration negative"
            << "SlaveResp||classic|"
            << QStringList{"SlaveResp=NAD 21", "SF=length 3",
                           "negative=response to B6 SaveConfiguration",
                           "error=12 subfunction not supported"}
            << 0 << "";
    }

    void readsFramesAsTheLdfLaysThemOut() {
        QFETCH(bool, withLdf);
        QFETCH(int, id);
        QFETCH(QByteArray, data);
        QFETCH(int, byte);
        const RowReader reader(withLdf ? exampleLdf().model() : nullptr);
        const LinFrame frame = frameOf(id, data);
        char text[80];
        QTEST(QString(reader.frameText(frame, text, sizeof text)), "column");
        const RowReading reading = reader.read(frame);
        QTEST(QString::fromStdString(reading.frame + '|' + reading.publisher + '|' + reading.model +
                                     '|' + reading.note),
              "header");
        QStringList lines;
        for (const SignalReading& s : reading.values)
            lines << QString::fromStdString(s.name + '=' + s.value + '|' + s.raw + '|' +
                                            s.encoding + '|' + std::to_string(s.offset) + '|' +
                                            std::to_string(s.width));
        for (const TransportField& field : reading.transport)
            lines << QString::fromStdString(field.name + '=' + field.value);
        QTEST(lines, "lines");
        QTEST(QString::fromStdString(reader.byteSignals(frame, byte)), "tip");
    }

    // A row's values are only as good as its check: failed names what makes them
    // untrustworthy. Rows: the identifier byte and the response bytes, a break behind.
    void readRowNamesAFailedCheck_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("failed");
        QTest::addColumn<int>("values");
        QTest::newRow("passed") << QByteArray("F0 A3 FD 04 19 50") << "" << 6;
        QTest::newRow("checksum") << QByteArray("F0 A3 FD 04 19 51") << "checksum" << 6;
        QTest::newRow("collided event slot") << QByteArray("BA 20 85 FF 00") << "collision" << 5;
        QTest::newRow("not decoded: nothing to mark") << QByteArray("F0 A3 FD 00") << "" << 0;
    }

    void readRowNamesAFailedCheck() {
        QFETCH(QByteArray, bytes);
        DecoderFixture fixture;
        fixture.feed(hex(linFrameHex("0030", bytes) + "0490FF0000"));
        const RowReading reading = RowReader(exampleLdf().model()).readRow(*fixture.listRows()[1]);
        QTEST(QString::fromStdString(reading.failed), "failed");
        QTEST(int(reading.values.size()), "values");
    }

    // The column's room is kept: a name is cut, never written past the end.
    void frameTextIsCutToItsRoom() {
        const RowReader reader(exampleLdf().model());
        char text[8] = "xxxxxxx";
        QCOMPARE(QString(reader.frameText(frameOf(0x3A, "2085FF"), text, 6)), "DoorE");
    }

    // Signals whose raw value differs from the frame before are marked; with nothing
    // before, none is.
    void changedSignalsAreMarked() {
        const RowReader reader(exampleLdf().model());
        RowReading before = reader.read(frameOf(0x31, "5A01"));
        RowReading now = reader.read(frameOf(0x31, "5B01"));
        MarkChangedSignals(before, RowReading{});
        MarkChangedSignals(now, before);
        QStringList marks;
        for (const RowReading* reading : {&before, &now})
            for (const SignalReading& s : reading->values)
                marks << QString::fromStdString(s.name) + (s.changed ? "*" : "");
        QCOMPARE(marks.join(' '),
                 "WiperAngle WiperParked WiperBlocked Wiper_RespError "
                 "WiperAngle* WiperParked WiperBlocked Wiper_RespError");
    }
};

QTEST_APPLESS_MAIN(TestRowReader)
#include "tst_rowreader.moc"
