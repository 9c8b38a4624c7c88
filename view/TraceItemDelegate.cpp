#include "view/TraceItemDelegate.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include "view/DottedLine.h"

namespace daridez {

TraceItemDelegate::TraceItemDelegate(QAbstractItemView* view)
    : QStyledItemDelegate(view), view_(view) {}

void TraceItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    const bool highlighted = option.state & QStyle::State_Selected;
    const QColor text =
        highlighted ? paintHighlighted(painter, option, index) : paintPlain(painter, option, index);
    painter->setPen(text);
    painter->setFont(option.font);
    const QRect room = option.rect.adjusted(1, 1, -1, -1);
    painter->drawText(room, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      shownText(index, option.fontMetrics, room.width()));
    painter->restore();
}

QString TraceItemDelegate::shownText(const QModelIndex& index, const QFontMetrics& metrics,
                                     int width) const {
    const QString text = index.data(Qt::DisplayRole).toString();
    return index.column() == elidedColumn_ ? metrics.elidedText(text, Qt::ElideRight, width) : text;
}

bool TraceItemDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                  const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() != QEvent::ToolTip || index.column() != elidedColumn_) {
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    }
    const QString text = index.data(Qt::DisplayRole).toString();
    const int width = option.rect.width() - 2;
    if (shownText(index, option.fontMetrics, width) == text) {
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    }
    const QString tip = index.data(Qt::ToolTipRole).toString();
    QToolTip::showText(event->globalPos(), tip.isEmpty() ? text : text + QLatin1Char('\n') + tip,
                       view);
    return true;
}

QColor TraceItemDelegate::paintHighlighted(QPainter* painter, const QStyleOptionViewItem& option,
                                           const QModelIndex& index) const {
    const QPalette& palette = option.palette;
    const Highlight highlight =
        view_->hasFocus() ? Highlight{palette.color(QPalette::Active, QPalette::Highlight),
                                      palette.color(QPalette::Active, QPalette::HighlightedText)}
                          : InactiveHighlight(palette);
    painter->fillRect(option.rect, palette.color(QPalette::Active, QPalette::Highlight));
    painter->fillRect(option.rect.adjusted(1, 1, -1, -1), highlight.back);
    paintOutline(painter, option.rect, index, highlight.text);
    return highlight.text;
}

// The palette's inactive highlight; where the style gives it the active colour, a
// paler one (half way to the background) with the window text, so that a selection
// without focus looks different from one with focus.
TraceItemDelegate::Highlight TraceItemDelegate::InactiveHighlight(const QPalette& palette) {
    const QColor active = palette.color(QPalette::Active, QPalette::Highlight);
    const QColor inactive = palette.color(QPalette::Inactive, QPalette::Highlight);
    if (inactive != active) {
        return {inactive, palette.color(QPalette::Inactive, QPalette::HighlightedText)};
    }
    const QColor base = palette.color(QPalette::Inactive, QPalette::Base);
    const QColor paler((active.red() + base.red()) / 2, (active.green() + base.green()) / 2,
                       (active.blue() + base.blue()) / 2);
    return {paler, palette.color(QPalette::Inactive, QPalette::Text)};
}

QColor TraceItemDelegate::paintPlain(QPainter* painter, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const {
    const QVariant back = index.data(Qt::BackgroundRole);
    painter->fillRect(option.rect,
                      back.isValid() ? back.value<QColor>() : option.palette.color(QPalette::Base));
    const QVariant fore = index.data(Qt::ForegroundRole);
    return fore.isValid() ? fore.value<QColor>() : option.palette.color(QPalette::Text);
}

// The row's outline drawn piece by piece: top and bottom edge in every cell, the
// left edge in the first column, the right edge in the last.
void TraceItemDelegate::paintOutline(QPainter* painter, const QRect& cell, const QModelIndex& index,
                                     const QColor& colour) const {
    painter->setPen(QPen(colour, 0));
    DrawDottedHorizontal(*painter, cell.left(), cell.right(), cell.top());
    DrawDottedHorizontal(*painter, cell.left(), cell.right(), cell.bottom());
    if (index.column() == 0) {
        DrawDottedVertical(*painter, cell.left(), cell.top(), cell.bottom());
    }
    if (index.column() == index.model()->columnCount(index.parent()) - 1) {
        DrawDottedVertical(*painter, cell.right(), cell.top(), cell.bottom());
    }
}

}  // namespace daridez
