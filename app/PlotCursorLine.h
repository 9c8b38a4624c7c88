#pragma once

#include <QLabel>
#include <string>
#include <vector>

namespace daridez {

// The line below the plot with the values at the mouse: it wraps between lanes, never
// inside one lane's value, and never makes the window wider; it only grows in height, so
// that the plot does not jump as the mouse moves over values of other lengths.
class PlotCursorLine : public QLabel {
    Q_OBJECT

  public:
    static constexpr const char* kSeparator = "   ";  // between the parts

    explicit PlotCursorLine(QWidget* parent);

    // The parts as one text, spaces and all.
    static QString joined(const std::vector<std::string>& parts);
    void showParts(const std::vector<std::string>& parts);
    // No values: the trace or the lanes changed.
    void clearLine();
};

}  // namespace daridez
