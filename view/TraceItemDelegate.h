#pragma once

#include <QStyledItemDelegate>

class QAbstractItemView;

namespace daridez {

// Paints the cells of the trace list from the row colours and the view's palette.
// A plain cell is filled with the row's background, its text in the window text
// colour ("MsgNr", "TimeStamp") or the row's text colour. A selected row shows in the
// highlight colours of the active group while the view has the focus, of the inactive
// group otherwise, every cell one pixel smaller than its place so that a seam of the
// active highlight shows around it, with a dotted outline around the whole row.
class TraceItemDelegate : public QStyledItemDelegate {
    Q_OBJECT

  public:
    explicit TraceItemDelegate(QAbstractItemView* view);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // A cell of the eliding column whose text does not fit shows it whole above its own
    // tool tip.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // The column whose texts end in "..." where they do not fit (-1: none); the others
    // are cut at the cell's edge.
    void setElidedColumn(int column) { elidedColumn_ = column; }
    // The text a cell shows in a cell of this width.
    QString shownText(const QModelIndex& index, const QFontMetrics& metrics, int width) const;

    struct Highlight {
        QColor back;
        QColor text;
    };
    static Highlight InactiveHighlight(const QPalette& palette);

  private:
    QColor paintHighlighted(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const;
    QColor paintPlain(QPainter* painter, const QStyleOptionViewItem& option,
                      const QModelIndex& index) const;
    void paintOutline(QPainter* painter, const QRect& cell, const QModelIndex& index,
                      const QColor& colour) const;

    QAbstractItemView* view_;
    int elidedColumn_ = -1;
};

}  // namespace daridez
