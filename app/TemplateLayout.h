#pragma once

#include <QRect>
#include <QSize>
#include <vector>

class QWidget;

namespace daridez {

// Keeps the template's controls where the template puts them when the window grows:
// every control stays anchored top-left, except those told to take the extra width
// and height (the list), the extra width (the search group), to stay at the bottom
// (the status lines) or at the right (the record box beside the growing LDF label). The template's
// size is the smallest the window gets.
class TemplateLayout {
  public:
    enum class Grow { None, Width, WidthAndHeight, StayAtBottom, StayAtBottomRight, StayRight };

    void setTemplateSize(QSize size) { templateSize_ = size; }

    // Places widget at its template rectangle (pixels) and remembers how it grows.
    void add(QWidget* widget, const QRect& rect, Grow grow = Grow::None);
    // Places every widget for a window of the given size.
    void apply(QSize size) const;

    QSize templateSize() const { return templateSize_; }

  private:
    struct Item {
        QWidget* widget;
        QRect rect;
        Grow grow;
    };

    QSize templateSize_;
    std::vector<Item> items_;
};

}  // namespace daridez
