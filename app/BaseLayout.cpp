#include "app/BaseLayout.h"

#include <QWidget>
#include <algorithm>

namespace daridez {

void BaseLayout::add(QWidget* widget, const QRect& rect, Grow grow) {
    widget->setGeometry(rect);
    items_.push_back({widget, rect, grow});
}

void BaseLayout::apply(QSize size) const {
    const int dx = std::max(0, size.width() - minimumSize_.width());
    const int dy = std::max(0, size.height() - minimumSize_.height());
    for (const Item& item : items_) {
        QRect rect = item.rect;
        switch (item.grow) {
            case Grow::None:
                break;
            case Grow::Width:
                rect.setWidth(rect.width() + dx);
                break;
            case Grow::WidthAndHeight:
                rect.setSize(rect.size() + QSize(dx, dy));
                break;
            case Grow::StayAtBottom:
                rect.translate(0, dy);
                break;
            case Grow::StayAtBottomRight:
                rect.translate(dx, dy);
                break;
        }
        item.widget->setGeometry(rect);
    }
}

}  // namespace daridez
