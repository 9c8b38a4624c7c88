#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

class QWidget;

namespace daridez {

// Converts dialog coordinates to pixels the way dialog units are defined: a
// horizontal unit is a quarter of the font's average character width, a vertical unit
// an eighth of its character height. So a dialog keeps its proportions with any font.
class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);

    int x(int units) const;
    int y(int units) const;
    QRect rect(int x, int y, int width, int height) const;
    QSize size(int width, int height) const;

    double averageCharWidth() const { return baseX_; }

    // A dialog's font: the family at the size where installed, else a metric-compatible
    // serif (for "Times") or sans serif.
    static QFont dialogFont(const char* family = "Times New Roman", int pointSize = 8);

  private:
    double baseX_;
    int baseY_;
};

// The width a window needs so that the window manager shows its whole title: the title
// in the bold application font with room for the icon and the buttons of the title bar.
int TitleFitWidth(const QWidget& window);

}  // namespace daridez
