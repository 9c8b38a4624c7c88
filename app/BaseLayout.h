#pragma once

#include <QRect>
#include <QSize>
#include <vector>

class QWidget;

namespace daridez {

// Keeps a window's controls where its base size puts them when the window grows: every
// control stays anchored top-left, except those told to take the extra width and height
// (the list), the extra width (the search group), or to stay at the bottom (the status
// lines). The base size is the smallest the window gets.
class BaseLayout {
  public:
    enum class Grow { None, Width, WidthAndHeight, StayAtBottom, StayAtBottomRight };

    void setMinimumSize(QSize size) { minimumSize_ = size; }

    // Places widget at its base rectangle (pixels) and remembers how it grows.
    void add(QWidget* widget, const QRect& rect, Grow grow = Grow::None);
    // Places every widget for a window of the given size.
    void apply(QSize size) const;

    QSize minimumSize() const { return minimumSize_; }

  private:
    struct Item {
        QWidget* widget;
        QRect rect;
        Grow grow;
    };

    QSize minimumSize_;
    std::vector<Item> items_;
};

}  // namespace daridez
