#include "app/DialogUnits.h"

#include <QApplication>
#include <QFontMetrics>
#include <QStringList>
#include <QWidget>
#include <cmath>

namespace daridez {

namespace {

// Average character width as dialog managers measure it: the width of the 52 Latin
// letters divided by 52.
double averageWidth(const QFontMetrics& metrics) {
    static const QString letters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return metrics.horizontalAdvance(letters) / 52.0;
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    baseX_ = averageWidth(metrics);
    baseY_ = metrics.height();
}

int DialogUnits::x(int units) const {
    return static_cast<int>(std::lround(units * baseX_ / 4.0));
}

int DialogUnits::y(int units) const {
    return static_cast<int>(std::lround(units * static_cast<double>(baseY_) / 8.0));
}

QRect DialogUnits::rect(int left, int top, int width, int height) const {
    return QRect(x(left), y(top), x(width), y(height));
}

QSize DialogUnits::size(int width, int height) const {
    return QSize(x(width), y(height));
}

QFont DialogUnits::dialogFont(const char* family, int pointSize) {
    QFont font;
    // Metric-compatible fallbacks keep the proportions where the named font is missing.
    const bool serif = QString::fromLatin1(family).contains(QStringLiteral("Times"));
    font.setFamilies(
        serif ? QStringList{QString::fromLatin1(family), QStringLiteral("Liberation Serif")}
              : QStringList{QString::fromLatin1(family), QStringLiteral("Liberation Sans")});
    font.setPointSize(pointSize);
    return font;
}

int TitleFitWidth(const QWidget& window) {
    QFont font = QApplication::font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    constexpr int kTitleBarButtons = 4;  // the icon, and room for three buttons
    return metrics.horizontalAdvance(window.windowTitle()) + kTitleBarButtons * metrics.height();
}

}  // namespace daridez
