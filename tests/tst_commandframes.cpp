// Command frames towards the device, their checksum, and the readers of the answers. The
// fixed frames, and answers with small numbers: tst_tracecontroller's writes and status lines.
#include <QTest>

#include "DecoderFixture.h"
#include "protocol/CommandFrames.h"

using namespace daridez;
using namespace daridez::test;

class TestCommandFrames : public QObject {
    Q_OBJECT

  private slots:
    void setBaudrateFrameFromTextCarriesValueAndFreshChecksum_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("frame");
        // Blanks in front and letters behind are skipped; above 65535 keeps the low 16 bits;
        // 2^32 + 19200 wraps without overflow, its low 16 bits stay 0x4B00.
        for (const QString row :
             {"1200=040104B0B9", "9600=04012580AA", "19200=04014B0050", " 4800abc=040112C0D7",
              "+2400=040109606E", "70000=0401117086", "-1=0401FFFF03", "=0401000005",
              "- 5=0401000005", "4294986496=04014B0050"})
            QTest::newRow(qPrintable("\"" + row.section('=', 0, 0) + "\""))
                << row.section('=', 0, 0) << QByteArray::fromHex(row.section('=', 1).toLatin1());
        QTest::newRow("endless digits") << QString(200, '9') << QByteArray::fromHex("0401FFFF03");
    }

    void setBaudrateFrameFromTextCarriesValueAndFreshChecksum() {
        QFETCH(QString, text);
        SetBaudrateFrame setBaudrate;
        setBaudrate.build("1200");  // rebuilt in place: nothing of the last value may stay
        const auto& bytes = setBaudrate.build(text.toStdString());
        QTEST(bytesOf(bytes.data(), bytes.size()), "frame");
    }

    // Bytes above 127 read unsigned (small numbers: tst_tracecontroller's status lines).
    void readsAnswersWithHighBytes() {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(
            "\x05\x80\xFF\x80\x00\x00\x05\x81\xFF\xFE\xFD\x00");
        const FirmwareVersion v = readVersionResponse(bytes);
        const BaudrateAnswer answer = readBaudrateResponse(bytes + 6);
        QCOMPARE(QList<int>({v.major, v.minor, v.patch, answer.baudrate, answer.result}),
                 QList<int>({255, 128, 0, 65534, 253}));
    }
};

QTEST_GUILESS_MAIN(TestCommandFrames)
#include "tst_commandframes.moc"
