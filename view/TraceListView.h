#pragma once

#include <QTableView>
#include <cstdint>

namespace daridez {

class LiveFollower;
class TraceListModel;

// The trace list: one line per row of its model (view/TraceListModel, which the
// decoder fills), the columns of the column table drawn by the view itself with dotted
// column lines, sorting by a header click, and a tool tip per cell. New rows start in
// the colours of the view's palette. A live trace is followed (view/LiveFollower);
// Tab leaves the list, Ctrl+C copies the selected rows as daridez-dump --check prints
// them. Only the user scrolls it sideways: moving the selection never does.
class TraceListView : public QTableView {
    Q_OBJECT

  public:
    explicit TraceListView(QWidget* parent = nullptr);
    ~TraceListView() override;

    void redrawLastPage();
    TraceListModel* traceModel() const { return model_; }
    LiveFollower& follower() const { return *follower_; }
    // The selected rows in display order, one line each, as daridez-dump --check
    // prints them (the verdict as a 16th field).
    QString selectedRowsText() const;
    // Puts selectedRowsText() on the clipboard (Ctrl+C).
    void copySelectedRows() const;
    // A new trace: its first row at the top, the sideways position kept.
    void showFirstRow();
    // The vertical move only; the horizontal position stays where the user put it.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

  signals:
    // A right-click on a row or on the header, with the column under the pointer
    // (-1: none).
    void rightClicked(int column);
    // A right-click on the empty part of the list (below the last row, right of the
    // last column), at this point of the screen: the window's menu belongs there.
    void emptyAreaRightClicked(const QPoint& globalPos);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void setUpHeader();
    void updateRowHeight();
    void showSortIndicator();
    int checkColumnNeed() const;
    void fitCheckColumn();
    void paintGridLines();
    void takeRowColours();

    TraceListModel* model_;
    LiveFollower* follower_;
};

}  // namespace daridez
