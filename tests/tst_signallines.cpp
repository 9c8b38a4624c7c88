// The signal lines written straight from raw values (and from the tables of texts made
// the first time a raw value comes) against the lines made from the decoded values, for
// every frame of the project's LDF fixtures, the public ones where they are present and
// an LDF of encodings shared across widths, over edge and random data.
#include <QDir>
#include <QTest>

#include <random>

#include "ldf/LdfParser.h"
#include "ldf/SignalDecoder.h"
#include "lin/SignalLines.h"

using namespace daridez;

namespace {

// Signals of one encoding at widths 4 and 8 and of two encodings at one width, a
// logical value no 4-bit signal reaches, ranges that leave values unaccepted, names
// with bytes outside printable ASCII, signals without an encoding of 8 and 12 bits, a
// bcd signal beside direct ones, and one of 16 bits with a fine scale.
constexpr char kSharedEncodings[] = R"(LIN_description_file;
LIN_protocol_version = "2.1";
LIN_language_version = "2.1";
LIN_speed = 19.2 kbps;
Nodes { Master: Body, 5 ms, 0.1 ms; Slaves: Door; }
Signals {
  Narrow: 4, 0, Door, Body;
  Wide: 8, 0, Door, Body;
  Other: 8, 0, Door, Body;
  Plain: 8, 0, Door, Body;
  Plain12: 12, 0, Door, Body;
  Code: 8, 0, Door, Body;
  Fine: 16, 0, Door, Body;
}
Frames {
  DoorA: 0x10, Door, 8 { Narrow, 0; Wide, 4; Other, 12; Plain, 20; Plain12, 28; Fine, 40; }
  DoorB: 0x11, Door, 3 { Wide, 0; Narrow, 8; Code, 12; }
}
Signal_encoding_types {
  Shared {
    logical_value, 3, "three";
    logical_value, 200, "caf)"
                                    "\xe9"
                                    R"( au lait";
    physical_value, 0, 99, 0.5, -40, "degC";
    physical_value, 100, 180, -0.1, 1000;
  }
  Separate { logical_value, 3, "drei"; physical_value, 10, 250, 2, 0, "rpm"; }
  Digits { bcd_value; }
  Precise { physical_value, 0, 65535, 5.6785558246e-04, -12.5, "V"; }
}
Signal_representation {
  Shared: Narrow, Wide;
  Separate: Other;
  Digits: Code;
  Precise: Fine;
}
)";

// The lines appendLine makes from the values the decoder gives.
std::string decodedLines(const SignalDecoder& decoder, int id,
                         const std::vector<std::uint8_t>& data) {
    std::string lines;
    for (const LdfSignalValue& value : decoder.decode(id, data).values)
        SignalLines::appendLine(lines, value);
    return lines;
}

// The data a frame is tried with: none, all set, then random bytes.
std::vector<std::vector<std::uint8_t>> frameData(int length, std::mt19937& random) {
    std::vector<std::vector<std::uint8_t>> all{std::vector<std::uint8_t>(length, 0),
                                               std::vector<std::uint8_t>(length, 0xFF)};
    for (int i = 0; i < 2000; ++i) {
        std::vector<std::uint8_t>& data = all.emplace_back(length);
        for (std::uint8_t& byte : data) byte = static_cast<std::uint8_t>(random());
    }
    return all;
}

}  // namespace

class TestSignalLines : public QObject {
    Q_OBJECT

  private slots:
    void linesAsDecodedValuesMakeThem_data() {
        QTest::addColumn<QString>("source");
        QTest::newRow("shared encodings") << "shared encodings";
        const QDir own(DARIDEZ_LDF_FIXTURES);
        for (const QString& name : own.entryList({"*.ldf"}, QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(name)) << own.filePath(name);
        const QDir shared(DARIDEZ_SHARED_LDF_FIXTURES);
        for (const QString& name : shared.entryList({"*.ldf"}, QDir::Files, QDir::Name))
            QTest::newRow(qPrintable("shared " + name)) << shared.filePath(name);
    }
    void linesAsDecodedValuesMakeThem() {
        QFETCH(QString, source);
        const bool own = source == "shared encodings";
        const LdfFile read =
            own ? LdfParser::parse(kSharedEncodings) : LdfParser::read(source.toStdString());
        if (own)
            QCOMPARE(read.errors, 0);
        const LdfModel& ldf = read.model;
        SignalLines lines(ldf);
        const SignalDecoder decoder(ldf);
        std::mt19937 random(18);
        int compared = 0;
        for (const LdfFrame& frame : ldf.frames) {
            if (frame.id < 0 || frame.id > 0x3F || frame.layout.empty())
                continue;
            for (const std::vector<std::uint8_t>& data : frameData(frame.length, random)) {
                LdfFrameDecode decode;
                const auto count = static_cast<int>(data.size());
                const LdfFrame* layout = decoder.layout(frame.id, data.data(), count, decode);
                if (layout == nullptr)
                    continue;
                std::string written = "before\n";
                lines.append(written, *layout,
                             SignalDecoder::bits(data.data(), count, layout->length));
                QCOMPARE(QString::fromLatin1(written),
                         QString::fromLatin1("before\n" + decodedLines(decoder, frame.id, data)));
                ++compared;
            }
        }
        if (compared == 0)
            QSKIP("no frame with signals");
    }
};

QTEST_GUILESS_MAIN(TestSignalLines)
#include "tst_signallines.moc"
