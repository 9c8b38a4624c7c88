// Number texts with six significant digits: by hand, and against the text std::to_chars
// writes (the reference NumberText's fast fixed form must match character for character).
#include <QTest>

#include <charconv>
#include <cmath>
#include <random>

#include "ldf/NumberText.h"

using namespace daridez;

namespace {

QString numberText(double value) {
    char text[NumberText::kMaxSize];
    return QString::fromLatin1(text, NumberText::put(text, value) - text);
}

// The number text as std::to_chars writes it with six significant digits, "0" for -0:
// the reference.
std::string referenceNumber(double value) {
    char digits[32];
    const auto [end, error] = std::to_chars(
        digits, digits + sizeof digits, value == 0 ? 0.0 : value, std::chars_format::general, 6);
    return std::string(digits, end);
}

}  // namespace

class TestNumberText : public QObject {
    Q_OBJECT

  private slots:
    void numbersKeepSixDigits_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("integer") << 353.0 << "353";
        QTest::newRow("half") << 0.5 << "0.5";
        QTest::newRow("negative") << -40.0 << "-40";
        QTest::newRow("small") << 1e-05 << "1e-05";
        QTest::newRow("rounded") << 36.91061285 << "36.9106";
        QTest::newRow("large") << 1234567.0 << "1.23457e+06";
        QTest::newRow("negative zero") << -0.0 << "0";
    }
    void numbersKeepSixDigits() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(numberText(value), text);
    }

    // Against the reference: every raw value of 16 bits under scales and offsets LDFs use,
    // the powers of ten and their neighbours, sixth-digit ties and random magnitudes.
    void numbersAsToCharsWritesThem_data() {
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("offset");
        QTest::newRow("raw") << 1.0 << 0.0;
        QTest::newRow("half, -40") << 0.5 << -40.0;
        QTest::newRow("tenth") << 0.1 << 0.0;
        QTest::newRow("hundredth, -273.15") << 0.01 << -273.15;
        QTest::newRow("a third") << 1.0 / 3 << 0.0;
        QTest::newRow("negative quarter, 100") << -0.25 << 100.0;
        QTest::newRow("small") << 5.6785558246e-04 << 0.0;
        QTest::newRow("tiny") << 1e-7 << 0.0;
        QTest::newRow("large") << 350.0 << -22.5;
        QTest::newRow("to a million") << 15.2590219 << 0.0;
    }
    void numbersAsToCharsWritesThem() {
        QFETCH(double, scale);
        QFETCH(double, offset);
        std::vector<double> values;
        for (int raw = 0; raw < 65536; ++raw) {
            values.push_back(raw * scale + offset);
        }
        for (int exponent = -6; exponent <= 7; ++exponent) {
            const double power = std::pow(10.0, exponent) * scale;
            values.insert(values.end(),
                          {power, std::nextafter(power, 0.0), std::nextafter(power, 1e300), -power,
                           power * 1.0000005, power * 9.999995, power * 0.99999949});
        }
        std::mt19937_64 random(static_cast<std::uint64_t>(scale * 1e6));
        std::uniform_real_distribution<double> exponents(-6, 7);
        for (int i = 0; i < 65536; ++i) {
            values.push_back(std::pow(10.0, exponents(random)) * (i % 2 != 0 ? -1 : 1));
        }
        values.insert(values.end(), {100000.5, 0.5, 1234565.0, 0.000123455, 0.0, -0.0});
        for (const double value : values) {
            QCOMPARE(numberText(value), QString::fromStdString(referenceNumber(value)));
        }
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
