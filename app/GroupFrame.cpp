#include "app/GroupFrame.h"

#include <QPainter>

namespace daridez {

namespace {

constexpr int kCaptionIndent = 6;  // pixels from the frame's left edge to the caption
constexpr int kCaptionGap = 2;     // pixels of air either side of the caption

}  // namespace

GroupFrame::GroupFrame(const QString& caption, QWidget* parent)
    : QWidget(parent), caption_(caption) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

// A light and a dark line, as an etched frame, with a gap for the caption.
void GroupFrame::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const int top = metrics.height() / 2;
    const int captionLeft = kCaptionIndent;
    const int captionRight = captionLeft + metrics.horizontalAdvance(caption_) + 2 * kCaptionGap;
    const QRect frame(0, top, width() - 2, height() - top - 2);
    const auto drawFrame = [&](const QColor& colour, int offset) {
        painter.setPen(QPen(colour, 0));
        const QRect r = frame.translated(offset, offset);
        painter.drawLine(r.left(), r.top(), r.left() + captionLeft, r.top());
        painter.drawLine(r.left() + captionRight, r.top(), r.right(), r.top());
        painter.drawLine(r.right(), r.top(), r.right(), r.bottom());
        painter.drawLine(r.right(), r.bottom(), r.left(), r.bottom());
        painter.drawLine(r.left(), r.bottom(), r.left(), r.top());
    };
    drawFrame(palette().color(QPalette::Light), 1);
    drawFrame(palette().color(QPalette::Mid), 0);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(captionLeft + kCaptionGap, 0, captionRight, metrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, caption_);
}

}  // namespace daridez
