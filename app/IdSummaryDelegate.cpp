#include "app/IdSummaryDelegate.h"

#include <algorithm>

#include <QApplication>
#include <QPainter>

#include "app/IdSummaryModel.h"

namespace daridez {

namespace {

QFont boldOf(QFont font) {
    font.setBold(true);
    return font;
}

// Every byte takes the room of a bold "DD" and a blank, marked or not.
int byteAdvance(const QFont& font) {
    return QFontMetrics(boldOf(font)).horizontalAdvance(QStringLiteral("DD "));
}

QColor textColour(const QStyleOptionViewItem& option) {
    const QPalette::ColorGroup group =
        option.state.testFlag(QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
    return option.palette.color(group, option.state.testFlag(QStyle::State_Selected)
                                           ? QPalette::HighlightedText
                                           : QPalette::Text);
}

}  // namespace

// Half a digit more than the header's margin: a right-aligned number and the text of the
// next column stay clearly apart.
int IdSummaryDelegate::padding(const QWidget* widget) {
    const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    const int digit =
        widget != nullptr ? widget->fontMetrics().horizontalAdvance(QLatin1Char('0')) : 8;
    return style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, widget) + digit / 2;
}

int IdSummaryDelegate::bytesWidth(const QFont& font) {
    return byteAdvance(font) * 8;
}

int IdSummaryDelegate::byteAt(const QWidget* widget, const QRect& cell, int x) {
    const int offset = x - cell.left() - padding(widget);
    return std::clamp(offset / byteAdvance(widget->font()), 0, 7);
}

// The style draws the background, the alternating colour and the selection over the
// whole cell; the text goes inside the padding.
void IdSummaryDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    opt.state &= ~QStyle::State_HasFocus;  // the whole row is selected: no cell stands out
    const QStyle* style = opt.widget != nullptr ? opt.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);

    const int pad = padding(opt.widget);
    const QRect area = opt.rect.adjusted(pad, 0, -pad, 0);
    const QVariant marked = index.data(IdSummaryModel::MarkedBytesRole);
    if (marked.isValid()) {
        paintBytes(painter, opt, area, text.split(QLatin1Char(' '), Qt::SkipEmptyParts),
                   marked.toInt());
        return;
    }
    painter->save();
    painter->setFont(opt.font);
    painter->setPen(textColour(opt));
    painter->drawText(area, int(opt.displayAlignment),
                      opt.fontMetrics.elidedText(text, Qt::ElideRight, area.width()));
    painter->restore();
}

void IdSummaryDelegate::paintBytes(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QRect& area, const QStringList& bytes, int marked) const {
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    QColor tint = option.palette.color(QPalette::Highlight);
    tint.setAlpha(selected ? 110 : 70);
    const QFont bold = boldOf(option.font);
    const int advance = byteAdvance(option.font);
    const int pairWidth = QFontMetrics(bold).horizontalAdvance(QStringLiteral("DD"));

    painter->save();
    painter->setClipRect(option.rect);
    painter->setRenderHint(QPainter::Antialiasing);
    int x = area.left();
    for (qsizetype i = 0; i < bytes.size(); ++i, x += advance) {
        const QRect cell(x, area.top() + 2, pairWidth, area.height() - 4);
        const bool on = (marked >> i) & 1;
        if (on) {
            painter->setPen(Qt::NoPen);
            painter->setBrush(tint);
            painter->drawRoundedRect(cell.adjusted(-2, 0, 2, 0), 3, 3);
        }
        painter->setFont(on ? bold : option.font);
        painter->setPen(textColour(option));
        painter->drawText(cell, Qt::AlignCenter, bytes[i]);
    }
    painter->restore();
}

}  // namespace daridez
