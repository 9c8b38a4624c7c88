#pragma once

#include <QStyledItemDelegate>

namespace daridez {

// Paints the cells of the ID summary with room on both sides, so that a right-aligned
// number never touches the text of the next column, and the "last" column byte by byte:
// the bytes that just changed stand out (bold on a tint of the palette's highlight
// colour) while every byte keeps its place.
class IdSummaryDelegate : public QStyledItemDelegate {
    Q_OBJECT

  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // The room a cell leaves on either side of its text.
    static int padding(const QWidget* widget);
    // The width eight bytes take, every one of them marked: the column never has to grow.
    static int bytesWidth(const QFont& font);
    // Which byte of a "last" cell painted in cell lies under x (0..7).
    static int byteAt(const QWidget* widget, const QRect& cell, int x);

  private:
    void paintBytes(QPainter* painter, const QStyleOptionViewItem& option, const QRect& area,
                    const QStringList& bytes, int marked) const;
};

}  // namespace daridez
