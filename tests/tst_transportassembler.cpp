// Diagnostic messages assembled across rows: what daridez-dump's signal lines show for
// each row of a sequence (the frame's decode, then the message it completes or why its
// transport data is invalid), and the same outcome found by walking back from any row.
#include <QTest>

#include "DecoderFixture.h"
#include "lin/FrameSignals.h"
#include "lin/TransportAssembler.h"

using namespace daridez;
using namespace daridez::test;

namespace {

// "3C 2106B200FF7FFFFF": a LIN frame with that identifier byte and data (checksum 00).
LinFrame frameOf(const QString& text) {
    return linFrameOf(static_cast<std::uint8_t>(text.section(' ', 0, 0).toInt(nullptr, 16)),
                      text.section(' ', 1).toLatin1());
}

// A request of `length` bytes from NAD 21: its first frame and as many consecutive
// frames as it takes, the message bytes counting up from 01.
QStringList longRequest(int length) {
    QStringList frames;
    int next = 1;
    const auto bytes = [&next](int count) {
        QString text;
        for (int i = 0; i < count; ++i) text += QString::asprintf("%02X", next++ & 0xFF);
        return text;
    };
    frames << QString::asprintf("3C 21%X%02X", 0x10 | length >> 8, length & 0xFF) + bytes(5);
    for (int sequence = 1; next <= length; ++sequence)
        frames << QString::asprintf("3C 21%02X", 0x20 | (sequence & 0x0F)) +
                      bytes(std::min(6, length - next + 1)).leftJustified(12, 'F');
    return frames;
}

}  // namespace

class TestTransportAssembler : public QObject {
    Q_OBJECT

  private slots:
    // Frames in row order; per row its lines (TABs dropped, lines joined by " / "),
    // rows joined by " | ".
    void assemblesMessagesAcrossRows_data() {
        QTest::addColumn<QStringList>("frames");
        QTest::addColumn<QString>("lines");
        QTest::newRow("single frame")
            << QStringList{"3C 2106B200FF7FFFFF"}
            << "MasterReq NAD 21, SF length 6: SID B2 ReadByIdentifier, data 00 FF 7F FF FF";
        QTest::newRow("single frame length 7")
            << QStringList{"3C 2107B200FF7FFFFF"}
            << "MasterReq NAD 21, SF length 7: invalid: single frame length 7 (1 to 6)";
        QTest::newRow("first and consecutive frame, another frame between")
            << QStringList{"3D 21100B62F1900102", "30 A3FD0419", "3D 2121030405060708"}
            << "SlaveResp NAD 21, FF length 11: RSID 62 positive response to 22 "
               "ReadDataByIdentifier, data F1 90 01 02 |  | "
               "SlaveResp NAD 21, CF 1: data 03 04 05 06 07 08 / SlaveResp NAD 21 message (2 "
               "frames, 11 bytes): 62 F1 90 01 02 03 04 05 06 07 08 (positive response to 22 "
               "ReadDataByIdentifier, identifier F190)";
        QTest::newRow("the last frame's padding is not the message's")
            << QStringList{"3C 2110072E0102AABB", "3C 2121CCDDFFFFFFFF"}
            << "MasterReq NAD 21, FF length 7: SID 2E WriteDataByIdentifier, data 01 02 AA BB | "
               "MasterReq NAD 21, CF 1: data CC DD FF FF FF FF / MasterReq NAD 21 message (2 "
               "frames, 7 bytes): 2E 01 02 AA BB CC DD (request 2E WriteDataByIdentifier, "
               "identifier 0102)";
        QTest::newRow("consecutive frame out of order")
            << QStringList{"3C 2110112201020304", "3C 2122050607080910"}
            << "MasterReq NAD 21, FF length 17: SID 22 ReadDataByIdentifier, data 01 02 03 04 | "
               "MasterReq NAD 21, CF 2: data 05 06 07 08 09 10 / MasterReq NAD 21 invalid: "
               "consecutive frame 2 out of sequence (expected 1)";
        QTest::newRow("consecutive frame of another node")
            << QStringList{"3C 2110112201020304", "3C 2221050607080910"}
            << "MasterReq NAD 21, FF length 17: SID 22 ReadDataByIdentifier, data 01 02 03 04 | "
               "MasterReq NAD 22, CF 1: data 05 06 07 08 09 10 / MasterReq NAD 22 invalid: "
               "consecutive frame 1 without a first frame";
        QTest::newRow("cut by a new first frame")
            << QStringList{"3C 2110112201020304", "3C 2110082201020304"}
            << "MasterReq NAD 21, FF length 17: SID 22 ReadDataByIdentifier, data 01 02 03 04 | "
               "MasterReq NAD 21, FF length 8: SID 22 ReadDataByIdentifier, data 01 02 03 04 / "
               "MasterReq NAD 21 invalid: message cut by a new first frame after 5 of 17 bytes";
        QTest::newRow("a response cut by a request")
            << QStringList{"3D 21100B62F1900102", "3C 2202B200FFFFFFFF"}
            << "SlaveResp NAD 21, FF length 11: RSID 62 positive response to 22 "
               "ReadDataByIdentifier, data F1 90 01 02 | "
               "MasterReq NAD 22, SF length 2: SID B2 ReadByIdentifier, data 00 / SlaveResp NAD "
               "21 invalid: message cut by a request after 5 of 11 bytes";
        QTest::newRow("first frame length below 7 opens no message")
            << QStringList{"3C 2110062201020304", "3C 2121050607080910"}
            << "MasterReq NAD 21, FF length 6: invalid: first frame length 6 (7 to 4095) | "
               "MasterReq NAD 21, CF 1: data 05 06 07 08 09 10 / MasterReq NAD 21 invalid: "
               "consecutive frame 1 without a first frame";
        const QStringList wrapped = longRequest(101);
        QStringList lines;
        QStringList message;
        for (int i = 0; i < wrapped.size() - 1; ++i)
            lines << QString::fromStdString(DescribeDiagnostic(frameOf(wrapped[i]), nullptr));
        for (int i = 1; i <= 101; ++i) message << QString::asprintf("%02X", i);
        lines << "MasterReq NAD 21, CF 0: data 60 61 62 63 64 65 / MasterReq NAD 21 message (17 "
                 "frames, 101 bytes): " +
                     message.join(' ') + " (request 01)";
        QTest::newRow("sequence 1 to 15, then 0") << wrapped << lines.join(" | ");
    }
    void assemblesMessagesAcrossRows() {
        QFETCH(QStringList, frames);
        QFETCH(QString, lines);
        FrameSignals signalLines(nullptr);
        QStringList rows;
        for (const QString& text : frames) {
            std::string out;
            signalLines.appendLines(out, frameOf(text), FrameVerdict());
            rows << QString::fromStdString(out).remove('\t').trimmed().replace('\n', " / ");
        }
        QCOMPARE(rows.join(" | "), lines);
    }

    // Walking back from any row finds the outcome that reading the rows in order gives.
    void walkingBackFindsTheSameOutcome_data() { assemblesMessagesAcrossRows_data(); }
    void walkingBackFindsTheSameOutcome() {
        QFETCH(QStringList, frames);
        // A response begun before them, which their first request or response cuts.
        frames.prepend("30 A3FD0419");
        frames.prepend("3D 21100B62F1900102");
        const auto frameAt = [&frames](std::uint32_t at) { return frameOf(frames[int(at)]); };
        TransportAssembler inOrder;
        for (int i = 0; i < frames.size(); ++i) {
            const std::string expected = inOrder.add(frameAt(std::uint32_t(i))).text(nullptr);
            QCOMPARE(TransportAssembler::outcomeAt(frameAt, std::uint32_t(i), 1000).text(nullptr),
                     expected);
        }
    }
};

QTEST_GUILESS_MAIN(TestTransportAssembler)
#include "tst_transportassembler.moc"
