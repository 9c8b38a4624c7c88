#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace daridez {

class LdfModel;

// The lane picker of the plot window: a tree of what can be plotted (with an LDF each of
// its frames with its signals; each identifier of the trace with its data bytes, a bit
// range and its period; the timing lanes) and the lane's text, which can also be typed
// ("21 bits 4..7"). Returns the text; the caller adds the lane.
class PlotLanePicker : public QDialog {
    Q_OBJECT

  public:
    // dataLengths: per identifier of the trace the data lengths of its frames, bit n for n
    // bytes (see PlotTracker); ldf: the window's LDF (nullptr: none, and no signals offered).
    PlotLanePicker(const std::array<std::uint16_t, 64>& dataLengths, const LdfModel* ldf,
                   QWidget* parent = nullptr);

    QString laneText() const;
    void setLaneText(const QString& text);
    QTreeWidget* tree() const { return tree_; }

    void accept() override;

  private:
    void addSignals();
    void addIdentifiers(const std::array<std::uint16_t, 64>& dataLengths);
    void addTiming();
    void onItemChanged(QTreeWidgetItem* item);

    const LdfModel* ldf_;
    QTreeWidget* tree_ = nullptr;
    QLineEdit* text_ = nullptr;
    QLabel* problem_ = nullptr;
};

}  // namespace daridez
