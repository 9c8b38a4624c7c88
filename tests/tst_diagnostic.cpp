// Diagnostic frames (0x3C/0x3D) read as the LIN transport layer, with and without an
// LDF naming the nodes, and the service a frame carries.
#include <QTest>

#include "DecoderFixture.h"
#include "ldf/LdfParser.h"
#include "lin/Diagnostic.h"

using namespace daridez;
using namespace daridez::test;

namespace {

const LdfModel& ldf() {
    static const LdfModel model = LdfParser::parse(
                                      "Nodes { Master: M, 5 ms, 0.1 ms; Slaves: Door; }"
                                      "Node_attributes { Door { configured_NAD = 0x21; } }")
                                      .model;
    return model;
}

}  // namespace

class TestDiagnostic : public QObject {
    Q_OBJECT

  private slots:
    void describesTheTransportLayer_data() {
        QTest::addColumn<int>("pid");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("withLdf");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, int pid, const char* data, bool withLdf,
                            const char* text) {
            QTest::newRow(name) << pid << QByteArray(data) << withLdf << QString(text);
        };
        row("request, node named", 0x3C, "2106B200FF7FFFFF", true,
            "MasterReq NAD 21 (Door), SF length 6: SID B2 ReadByIdentifier, data 00 FF 7F FF FF");
        row("request without an LDF", 0x3C, "2106B200FF7FFFFF", false,
            "MasterReq NAD 21, SF length 6: SID B2 ReadByIdentifier, data 00 FF 7F FF FF");
        row("broadcast", 0x3C, "7F01B6FFFFFFFFFF", false,
            "MasterReq NAD 7F (broadcast), SF length 1: SID B6 SaveConfiguration");
        row("positive response", 0x7D, "2106F201020304FF", true,
            "SlaveResp NAD 21 (Door), SF length 6: RSID F2 positive response to B2 "
            "ReadByIdentifier, data 01 02 03 04 FF");
        row("negative response", 0x7D, "21037FB312FFFFFF", false,
            "SlaveResp NAD 21, SF length 3: negative response to B3 ConditionalChangeNAD, error "
            "12 subfunction not supported");
        row("negative, unnamed error", 0x7D, "21037FB099FFFFFF", false,
            "SlaveResp NAD 21, SF length 3: negative response to B0 AssignNAD, error 99");
        row("first frame", 0x3C, "2110142201020304", false,
            "MasterReq NAD 21, FF length 20: SID 22 ReadDataByIdentifier, data 01 02 03 04");
        row("first frame, length's high nibble", 0x3C, "2111042201020304", false,
            "MasterReq NAD 21, FF length 260: SID 22 ReadDataByIdentifier, data 01 02 03 04");
        row("first frame length below 7", 0x3C, "2110062201020304", false,
            "MasterReq NAD 21, FF length 6: invalid: first frame length 6 (7 to 4095)");
        row("single frame length 0", 0x3C, "2100B200FF7FFFFF", false,
            "MasterReq NAD 21, SF length 0: invalid: single frame length 0 (1 to 6)");
        row("single frame length 7: its data not read on", 0x3C, "2107B200FF7FFFFF", false,
            "MasterReq NAD 21, SF length 7: invalid: single frame length 7 (1 to 6)");
        row("single frame length 13", 0x7D, "210D62F190FFFFFF", false,
            "SlaveResp NAD 21, SF length 13: invalid: single frame length 13 (1 to 6)");
        row("single frame shorter than the frame", 0x3C, "7E023E00FFFFFFFF", false,
            "MasterReq NAD 7E (functional), SF length 2: SID 3E TesterPresent, data 00");
        row("response pending", 0x7D, "21037F2278FFFFFF", false,
            "SlaveResp NAD 21, SF length 3: negative response to 22 ReadDataByIdentifier, error "
            "78 response pending");
        row("consecutive frame", 0x3C, "2121AABBCCDDEEFF", false,
            "MasterReq NAD 21, CF 1: data AA BB CC DD EE FF");
        row("go to sleep", 0x3C, "00FFFFFFFFFFFFFF", false, "MasterReq: go-to-sleep");
        row("unknown PCI", 0x3C, "21F0000000000000", false, "MasterReq NAD 21, PCI F0 unknown");
        row("no PCI", 0x3C, "21", false, "MasterReq NAD 21: no PCI");
        row("every service named", 0x3C, "7F06B5B7B4B1B0B3", false,
            "MasterReq NAD 7F (broadcast), SF length 6: SID B5 AssignNAD via slave node "
            "position detection, data B7 B4 B1 B0 B3");
    }
    void describesTheTransportLayer() {
        QFETCH(int, pid);
        QFETCH(QByteArray, data);
        QFETCH(bool, withLdf);
        QFETCH(QString, text);
        const LinFrame diagnostic = linFrameOf(std::uint8_t(pid), data);
        QVERIFY(IsDiagnosticFrame(diagnostic));
        QCOMPARE(QString::fromStdString(DescribeDiagnostic(diagnostic, withLdf ? &ldf() : nullptr)),
                 text);
    }

    // The list's title: the node configuration services by name, the others by number.
    void titlesTheFrame_data() {
        QTest::addColumn<QString>("row");
        for (const char* row :
             {"3C 2110142201020304 -> MasterReq NAD 21 SID 22",
              "3C 2106B200FF7FFFFF -> MasterReq NAD 21 ReadByIdentifier",
              "7D 2106F201020304FF -> SlaveResp NAD 21 ReadByIdentifier positive",
              "7D 21037FB612FFFFFF -> SlaveResp NAD 21 SaveConfiguration negative",
              "7D 2103622201FFFFFF -> SlaveResp NAD 21 SID 22 positive",
              "3C 2123AABBCCDDEEFF -> MasterReq NAD 21 CF 3",
              "3C 2107B200FF7FFFFF -> MasterReq NAD 21 invalid",
              "3C 00FFFFFFFFFFFFFF -> MasterReq go-to-sleep", "7D -> SlaveResp",
              "3C 21 -> MasterReq NAD 21"})
            QTest::newRow(row) << QString(row);
    }
    void titlesTheFrame() {
        QFETCH(QString, row);
        const LinFrame diagnostic =
            linFrameOf(std::uint8_t(row.section(' ', 0, 0).toInt(nullptr, 16)),
                       row.section(" -> ", 0, 0).section(' ', 1).toLatin1());
        QCOMPARE(QString::fromStdString(DiagnosticTitle(diagnostic)), row.section(" -> ", 1));
    }

    // "pid data -> the services it carries (of B0, B2, 22)".
    void carriesItsService_data() {
        QTest::addColumn<QString>("row");
        for (const char* row :
             {"3C 2106B2 -> B2", "7D 2106F2 -> B2", "7D 21037FB012 -> B0", "3C 21101422 -> 22",
              "3C 2121B2B2 -> ", "3C 2106 -> ", "10 2106B2 -> ", "7D 2106B2 -> ", "3C 2100B2 -> ",
              "3C 2101B2B0 -> B2"})
            QTest::newRow(row) << QString(row);
    }
    void carriesItsService() {
        QFETCH(QString, row);
        const LinFrame diagnostic =
            linFrameOf(std::uint8_t(row.section(' ', 0, 0).toInt(nullptr, 16)),
                       row.section(' ', 1, 1).toLatin1());
        QStringList carried;
        for (const int sid : {0xB0, 0xB2, 0x22})
            if (CarriesService(diagnostic, static_cast<std::uint8_t>(sid)))
                carried << QString::number(sid, 16).toUpper();
        QCOMPARE(carried.join(' '), row.section(" -> ", 1));
    }
};

QTEST_GUILESS_MAIN(TestDiagnostic)
#include "tst_diagnostic.moc"
