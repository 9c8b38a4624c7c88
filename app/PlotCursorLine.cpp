#include "app/PlotCursorLine.h"

#include <QStringList>
#include <algorithm>

namespace daridez {

PlotCursorLine::PlotCursorLine(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("plotCursor"));
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setWordWrap(true);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

QString PlotCursorLine::joined(const std::vector<std::string>& parts) {
    QStringList texts;
    for (const std::string& part : parts) {
        texts << QString::fromStdString(part);
    }
    return texts.join(QLatin1String(kSeparator));
}

void PlotCursorLine::showParts(const std::vector<std::string>& parts) {
    QStringList texts;
    for (const std::string& part : parts) {
        texts << QString::fromStdString(part).replace(QLatin1Char(' '), QChar(QChar::Nbsp));
    }
    setText(texts.join(QLatin1String(kSeparator)));
    setMinimumHeight(std::max(minimumHeight(), heightForWidth(width())));
}

void PlotCursorLine::clearLine() {
    clear();
    setMinimumHeight(0);
}

}  // namespace daridez
