// Number texts with six significant digits and raw values in decimal: by hand, and
// against the text std::to_chars writes (the reference NumberText's fast forms must match
// character for character).
#include <QTest>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <vector>

#include "ldf/NumberText.h"

using namespace daridez;

Q_DECLARE_METATYPE(std::vector<double>)
Q_DECLARE_METATYPE(std::vector<std::uint64_t>)

namespace {

QString numberText(double value) {
    char text[NumberText::kMaxSize];
    return QString::fromLatin1(text, NumberText::put(text, value) - text);
}

QString decimalText(std::uint64_t value) {
    char text[NumberText::kMaxSize];
    return QString::fromLatin1(text, NumberText::putDecimal(text, value) - text);
}

// The number text as std::to_chars writes it with six significant digits, "0" for -0:
// the reference.
QString referenceNumber(double value) {
    char digits[64];
    const auto [end, error] = std::to_chars(
        digits, digits + sizeof digits, value == 0 ? 0.0 : value, std::chars_format::general, 6);
    return QString::fromLatin1(digits, end - digits);
}

QString referenceDecimal(std::uint64_t value) {
    char digits[24];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
    return QString::fromLatin1(digits, end - digits);
}

// count values, the i-th made by make(i).
template <typename Value>
std::vector<Value> generated(int count, const std::function<Value(int)>& make) {
    std::vector<Value> values;
    for (int i = 0; i < count; ++i) values.push_back(make(i));
    return values;
}

// Every raw value of 16 bits as a physical encoding makes it, with the powers of ten
// of the scale and their neighbours.
std::vector<double> physicalValues(double scale, double offset) {
    std::vector<double> values =
        generated<double>(65536, [&](int raw) { return raw * scale + offset; });
    for (int exponent = -6; exponent <= 7; ++exponent) {
        const double power = std::pow(10.0, exponent) * scale;
        values.insert(values.end(),
                      {power, std::nextafter(power, 0.0), std::nextafter(power, 1e300), -power,
                       power * 1.0000005, power * 9.999995, power * 0.99999949});
    }
    return values;
}

// Six-digit numbers with a half after the sixth digit, at every decimal exponent the
// fixed form covers and its neighbours, and the doubles on either side of each: where
// rounding the integer goes wrong first.
std::vector<double> sixthDigitHalves(std::mt19937_64& random) {
    std::uniform_int_distribution<int> digits(100000, 999999);
    std::vector<double> values;
    for (int exponent = -11; exponent <= 2; ++exponent) {
        for (int i = 0; i < 4096; ++i) {
            const double half = (digits(random) + 0.5) * std::pow(10.0, exponent);
            values.insert(values.end(),
                          {half, std::nextafter(half, 0.0), std::nextafter(half, 1e300), -half});
        }
    }
    return values;
}

}  // namespace

class TestNumberText : public QObject {
    Q_OBJECT

  private slots:
    void numbersKeepSixDigits_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("integer") << 353.0 << "353";
        QTest::newRow("half") << 0.5 << "0.5";
        QTest::newRow("negative") << -40.0 << "-40";
        QTest::newRow("negative half") << -0.5 << "-0.5";
        QTest::newRow("two decimals below zero") << -273.15 << "-273.15";
        QTest::newRow("rounded") << 36.91061285 << "36.9106";
        QTest::newRow("binary noise dropped") << 0.1 + 0.2 << "0.3";
        QTest::newRow("six digits") << 100000.0 << "100000";
        QTest::newRow("rounded down to five digits") << 99999.949999 << "99999.9";
        QTest::newRow("largest fixed") << 999999.4 << "999999";
        QTest::newRow("rounded up to a million") << 999999.5 << "1e+06";
        QTest::newRow("a million") << 1e6 << "1e+06";
        QTest::newRow("large") << 1234567.0 << "1.23457e+06";
        QTest::newRow("very large") << 1e15 << "1e+15";
        QTest::newRow("largest double") << std::numeric_limits<double>::max() << "1.79769e+308";
        QTest::newRow("tie to even, down") << 123456.5 << "123456";
        QTest::newRow("tie to even, up") << 123457.5 << "123458";
        QTest::newRow("just below a half") << 0.1234565 << "0.123456";
        QTest::newRow("smallest fixed") << 1e-4 << "0.0001";
        QTest::newRow("smallest fixed, negative") << -1e-4 << "-0.0001";
        QTest::newRow("rounded up to the smallest fixed") << 0.000099999951 << "0.0001";
        QTest::newRow("below the smallest fixed") << 0.00009999994 << "9.99999e-05";
        QTest::newRow("small") << 1e-05 << "1e-05";
        QTest::newRow("small with digits") << 2.5e-5 << "2.5e-05";
        QTest::newRow("tiny") << 5e-324 << "4.94066e-324";
        QTest::newRow("thousandth") << 0.001 << "0.001";
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << "inf";
        QTest::newRow("negative infinite") << -std::numeric_limits<double>::infinity() << "-inf";
    }
    void numbersKeepSixDigits() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(numberText(value), text);
    }

    // Against the reference: the scales and offsets LDFs use, then values where the fast
    // form could slip.
    void numbersAsToCharsWritesThem_data() {
        QTest::addColumn<std::vector<double>>("values");
        QTest::newRow("raw") << physicalValues(1.0, 0.0);
        QTest::newRow("half, -40") << physicalValues(0.5, -40.0);
        QTest::newRow("tenth") << physicalValues(0.1, 0.0);
        QTest::newRow("hundredth, -273.15") << physicalValues(0.01, -273.15);
        QTest::newRow("a third") << physicalValues(1.0 / 3, 0.0);
        QTest::newRow("negative quarter, 100") << physicalValues(-0.25, 100.0);
        QTest::newRow("small") << physicalValues(5.6785558246e-04, 0.0);
        QTest::newRow("tiny") << physicalValues(1e-7, 0.0);
        QTest::newRow("large") << physicalValues(350.0, -22.5);
        QTest::newRow("to a million") << physicalValues(15.2590219, 0.0);
        std::mt19937_64 random(18);
        QTest::newRow("sixth-digit halves") << sixthDigitHalves(random);
        // Magnitudes from 10^-6 to 10^7, evenly on the decimal scale, either sign.
        std::uniform_real_distribution<double> exponents(-6, 7);
        QTest::newRow("random magnitudes") << generated<double>(65536, [&](int i) {
            return std::pow(10.0, exponents(random)) * (i % 2 != 0 ? -1 : 1);
        });
        // Any double at all, from its bits (infinities and NaNs among them).
        QTest::newRow("random bits")
            << generated<double>(65536, [&](int) { return std::bit_cast<double>(random()); });
        using Limits = std::numeric_limits<double>;
        QTest::newRow("special") << std::vector<double>{0.0,
                                                        -0.0,
                                                        100000.5,
                                                        1234565.0,
                                                        0.000123455,
                                                        Limits::quiet_NaN(),
                                                        Limits::denorm_min(),
                                                        Limits::min(),
                                                        Limits::lowest()};
    }
    void numbersAsToCharsWritesThem() {
        QFETCH(std::vector<double>, values);
        for (const double value : values) {
            const QString text = numberText(value);
            const QString reference = referenceNumber(value);
            QVERIFY2(text == reference, qPrintable(QString::asprintf("%.17g: ", value) + text +
                                                   " where " + reference + " is wanted"));
        }
    }

    void decimalsAsToCharsWritesThem_data() {
        QTest::addColumn<std::vector<std::uint64_t>>("values");
        QTest::newRow("digit counts") << std::vector<std::uint64_t>{
            0,    1,    9,     10,          99,
            100,  101,  110,   255,         999,
            1000, 1001, 65535, 4294967295u, std::numeric_limits<std::uint64_t>::max()};
        QTest::newRow("up to 2000") << generated<std::uint64_t>(2000, [](int i) { return i; });
        // Raw values of every width up to 64 bits, 1024 of each.
        std::mt19937_64 random(18);
        QTest::newRow("random of each width") << generated<std::uint64_t>(64 * 1024, [&](int i) {
            const int width = i / 1024 + 1;
            return width == 64 ? random() : random() & ((std::uint64_t{1} << width) - 1);
        });
    }
    void decimalsAsToCharsWritesThem() {
        QFETCH(std::vector<std::uint64_t>, values);
        for (const std::uint64_t value : values) {
            QCOMPARE(decimalText(value), referenceDecimal(value));
        }
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
