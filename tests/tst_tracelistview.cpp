// The trace list widget, offscreen: right-clicks, the painted colours of plain and selected
// rows, the dotted column lines and copying the selected rows.
#include <QtTest>
#include <QtWidgets>
#include <functional>

#include "lin/Columns.h"
#include "lin/FrameCheck.h"
#include "trace/RowFrames.h"
#include "trace/TraceList.h"
#include "view/TraceListModel.h"
#include "view/TraceListView.h"

using namespace daridez;

namespace {

const QColor kWhite(Qt::white);
const QColor kActiveHighlight(0, 0, 200);
const QColor kInactiveHighlight(120, 120, 220);
const QColor kActiveHighlightText(255, 255, 255);
const QColor kInactiveHighlightText(250, 250, 0);

// How many pixels of the rectangle satisfy the test.
int count(const QImage& image, const QRect& area, const std::function<bool(QColor)>& test) {
    int found = 0;
    for (int x = area.left(); x <= area.right(); ++x)
        for (int y = area.top(); y <= area.bottom(); ++y) found += test(image.pixelColor(x, y));
    return found;
}

}  // namespace

class TestTraceListView : public QObject {
    Q_OBJECT

    TraceListModel* model() const { return view_->traceModel(); }
    // A row opened by a break (or a device error), with a sync field "55".
    TraceEntry* addRow(bool error = false, Colour textColour = 0) {
        last_ = list_->CreateEntry(number_, 1000, 0, model()->rowColours());
        const std::uint8_t opener[6] = {5, std::uint8_t(error ? 0x9C : 0x90), 0, 0, 0x45, 0};
        const std::uint8_t sync[5] = {5, 0x91, 0, 1, 0x55};
        StoreOpener(last_, opener, error ? 5 : 4), StoreField(last_, sync);
        SetTextColour(last_, textColour);
        model()->AppendRow(last_, number_++);
        return last_;
    }
    void addRows(int count) {
        for (int i = 0; i < count; ++i) addRow();
        model()->endOfBatch();
    }
    QImage grabViewport() { return view_->viewport()->grab().toImage(); }
    QRect cell(int row, int c) const { return view_->visualRect(model()->index(row, c)); }
    // Where the dotted line at the right border of the column runs.
    int lineX(int c) const { return view_->columnViewportPosition(c) + view_->columnWidth(c) - 1; }
    bool dotted(const QImage& image, int x, int y) const {
        return (image.pixelColor(x, y) == kWhite) != (image.pixelColor(x, y + 1) == kWhite);
    }

    QWidget* window_ = nullptr;
    QLineEdit* other_ = nullptr;  // takes the focus away from the list
    TraceListView* view_ = nullptr;
    TraceList* list_ = nullptr;
    TraceEntry* last_ = nullptr;
    int number_ = 0;

  private slots:
    void init() {
        window_ = new QWidget;
        auto* layout = new QVBoxLayout(window_);
        layout->addWidget(other_ = new QLineEdit(window_));
        layout->addWidget(view_ = new TraceListView(window_));
        new QAbstractItemModelTester(view_->model(),
                                     QAbstractItemModelTester::FailureReportingMode::QtTest, view_);
        QPalette palette = view_->palette();
        palette.setColor(QPalette::Base, kWhite);
        palette.setColor(QPalette::Text, Qt::black);
        palette.setColor(QPalette::Active, QPalette::Highlight, kActiveHighlight);
        palette.setColor(QPalette::Inactive, QPalette::Highlight, kInactiveHighlight);
        palette.setColor(QPalette::Active, QPalette::HighlightedText, kActiveHighlightText);
        palette.setColor(QPalette::Inactive, QPalette::HighlightedText, kInactiveHighlightText);
        view_->setPalette(palette);
        QFont font = view_->font();
        font.setStyleStrategy(QFont::NoAntialias);  // text pixels in the pen colour only
        view_->setFont(font);
        window_->resize(1200, 400);  // every column and room to their right
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_));
        list_ = new TraceList;
        last_ = nullptr;
        number_ = 0;
    }

    void cleanup() {
        delete window_;
        delete list_;
    }

    // Without focus and with it: the fill of the selected row, a seam in the active highlight at
    // its left edge, a dotted outline along its top edge, and the text in the highlight text colour
    // even in a green row. Text pixels are in the pen colour alone (no antialiasing): in a row not
    // selected, the number and the time in the palette's text, the others in the row's colour.
    void selectedRowShowsTheHighlightOfItsFocus() {
        addRow(true, kRed);
        addRow(false, kGreen);
        addRow()->backColour = 0x0080C0E0;  // as if another palette had been in force
        model()->endOfBatch();
        QApplication::setActiveWindow(window_);
        for (bool focus : {false, true}) {
            const QColor fill = focus ? kActiveHighlight : kInactiveHighlight;
            const QColor text = focus ? kActiveHighlightText : kInactiveHighlightText;
            focus ? view_->setFocus() : other_->setFocus();
            QTRY_COMPARE(view_->hasFocus(), focus);
            view_->selectRow(1);
            const QImage image = grabViewport();
            const QRect sync = cell(1, 3);
            const int middle = sync.center().y();
            for (int x : {sync.right() - 2, sync.right() - 1, sync.left()})
                QCOMPARE(image.pixelColor(x, middle), x == sync.left() ? kActiveHighlight : fill);
            const QRect top(sync.left() + 4, sync.top(), 2, 1);
            QVERIFY(count(image, top, [&](QColor c) { return c == text; }) == 1);
            QVERIFY(count(image, top, [&](QColor c) { return c == kActiveHighlight; }) == 1);
            QVERIFY(count(image, sync.adjusted(1, 1, -1, -1), [&](QColor c) { return c == text; }) >
                    0);
            // The unselected neighbour is filled with its own background up to the cell's edges
            // (its right edge carries the dotted column line).
            const QRect below = cell(2, 3);
            for (const QPoint at : {below.topRight() - QPoint(1, 0), below.bottomLeft()})
                QCOMPARE(image.pixelColor(at), QColor(0xE0, 0xC0, 0x80));
            QString inks;  // per column of the red row: black pixels, red pixels
            for (int column = 0; column < 3; ++column)
                for (QColor ink : {QColor(Qt::black), QColor(Qt::red)})
                    inks += count(image, cell(0, column), [&](QColor c) { return c == ink; }) ? 'x'
                                                                                              : '-';
            QCOMPARE(inks, "x-x--x");
        }
    }

    // A right-click on a row tells the column under the pointer, one on the empty part
    // (right of the last column, below the last row) the point on the screen; the dotted
    // column lines run below the last row and scroll.
    void rightClickTellsTheColumnAndDottedLinesRunBelowTheRows() {
        addRows(3);
        QSignalSpy clicked(view_, &TraceListView::rightClicked);
        QSignalSpy empty(view_, &TraceListView::emptyAreaRightClicked);
        const int outside = cell(0, kListColumnCount - 1).right() + 20;
        const QPoint below(cell(2, 1).center() + QPoint(0, 40));
        QVERIFY(outside < view_->viewport()->width() && below.y() < view_->viewport()->height());
        for (const QPoint& at :
             {cell(1, 7).center(), cell(0, 1).center(), QPoint(outside, 5), below})
            QTest::mouseClick(view_->viewport(), Qt::RightButton, {}, at);
        QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, cell(1, 7).center());  // not told
        QCOMPARE(clicked, (QList<QVariantList>{{7}, {1}}));
        QCOMPARE(empty, (QList<QVariantList>{{view_->viewport()->mapToGlobal(QPoint(outside, 5))},
                                             {view_->viewport()->mapToGlobal(below)}}));

        QImage image = grabViewport();
        const int y = cell(2, 0).bottom() + 40;  // well below the last row
        QVERIFY(y + 1 < image.height());
        const int last = kListColumnCount - 1;
        for (int column = 0; column <= last; ++column)  // dotted, and white just left of it
            QVERIFY2(
                dotted(image, lineX(column), y) && image.pixelColor(lineX(column) - 3, y) == kWhite,
                QByteArray::number(column));
        // Nothing beyond the last line.
        const QRect beyond(lineX(last) + 1, y, image.width() - lineX(last) - 1, 2);
        QCOMPARE(count(image, beyond, [](QColor c) { return c != kWhite; }), 0);

        window_->resize(300, 300);
        QTRY_VERIFY(view_->horizontalScrollBar()->maximum() > 30);
        const int unscrolled = lineX(2);
        view_->horizontalScrollBar()->setValue(17);
        image = grabViewport();
        QVERIFY(lineX(2) == unscrolled - 17 && dotted(image, lineX(2), y));
        QVERIFY(image.pixelColor(lineX(2) + 17, y) == kWhite && !dotted(image, lineX(2) + 17, y));
    }

    // Moving the selection (keys, a chosen cell far right) scrolls down, never sideways:
    // the user's own sideways position stays. A new trace starts at its first row.
    void selectionMovesNeverScrollTheListSideways() {
        addRows(60);
        window_->resize(300, 200);
        QTRY_VERIFY(view_->horizontalScrollBar()->maximum() > 30);
        QScrollBar* sideways = view_->horizontalScrollBar();
        sideways->setValue(17);
        view_->setFocus();
        view_->setCurrentIndex(model()->index(0, kListColumnCount - 1));
        QTest::keyClick(view_, Qt::Key_End);
        QTest::keyClick(view_, Qt::Key_Up);
        QCOMPARE(view_->currentIndex().row(), 58);
        QVERIFY(view_->verticalScrollBar()->value() > 0);
        QCOMPARE(sideways->value(), 17);
        view_->showFirstRow();
        QCOMPARE(view_->verticalScrollBar()->value(), 0);
        QCOMPARE(sideways->value(), 17);
    }

    // The Check column beside the others, as the list's width leaves room for it: never below
    // its table's width, all the room there is while that is less than its words need, and
    // then what its widest verdict ("no-response,unknown-id") needs, however wide the list.
    void checkColumnTakesTheRoomItsWordsNeed_data() {
        QTest::addColumn<int>("spare");  // pixels beside the other columns, less the table's
        QTest::addColumn<QString>("width");
        QTest::newRow("no room") << -30 << "table";
        QTest::newRow("a little room") << 20 << "table+20";
        QTest::newRow("room to spare") << 400 << "words";
    }
    void checkColumnTakesTheRoomItsWordsNeed() {
        QFETCH(int, spare);
        const int check = int(Column::Check);
        const int table = ColumnAt(check).width;
        int others = 0;
        for (int c = 0; c < kListColumnCount; ++c) others += c != check ? view_->columnWidth(c) : 0;
        const int wanted = others + table + spare;
        window_->resize(window_->width() + wanted - view_->viewport()->width(), window_->height());
        QTRY_COMPARE(view_->viewport()->width(), wanted);
        int words = 0;  // the widest two-word verdict, 2 px a side (a pixel of kerning aside)
        for (int a = 0; a < int(CheckWord::Count); ++a)
            for (int b = 0; b < int(CheckWord::Count); ++b)
                if (a != b)
                    words = std::max(
                        words, view_->fontMetrics().horizontalAdvance(QString("%1,%2").arg(
                                   CheckWordText(CheckWord(a)), CheckWordText(CheckWord(b)))));
        const int width = view_->columnWidth(check);
        const QString shown = width == table                 ? "table"
                              : width == table + 20          ? "table+20"
                              : qAbs(width - words - 4) <= 1 ? "words"
                                                             : QString::number(width);
        QTEST(shown, "width");
    }

    // A verdict wider than its cell ends in "..." and shows whole above its explanation in the
    // cell's tool tip; one that fits shows as it is, its tool tip the explanation alone.
    void narrowCheckCellElidesAndTellsTheWholeVerdict() {
        // A break, sync 55 and identifier 01 without a response: "no-response".
        TraceEntry* row = list_->CreateEntry(0, 1000, 0, model()->rowColours());
        const std::uint8_t fields[][5] = {
            {4, 0x90, 0, 0, 0}, {5, 0x91, 0, 1, 0x55}, {5, 0x92, 0, 2, 0xC1}};
        StoreOpener(row, fields[0], 4);
        StoreField(row, fields[1]);
        StoreField(row, fields[2]);
        model()->AppendRow(row, number_++);
        addRows(1);  // not the trace's last row, which the end may have cut
        const int check = int(Column::Check);
        const QModelIndex cellIndex = model()->index(0, check);
        const QString verdict = cellIndex.data().toString();
        const QString explained = cellIndex.data(Qt::ToolTipRole).toString();
        QCOMPARE(verdict + '|' + explained,
                 "no-response|no-response: no response byte followed the identifier");
        for (const bool narrow : {false, true}) {
            view_->setColumnWidth(check,
                                  narrow ? view_->fontMetrics().horizontalAdvance(verdict) : 200);
            QHelpEvent help(QEvent::ToolTip, cell(0, check).center(),
                            view_->viewport()->mapToGlobal(cell(0, check).center()));
            QToolTip::hideText();
            QApplication::sendEvent(view_->viewport(), &help);
            QTRY_COMPARE(QToolTip::text(), narrow ? verdict + "\n" + explained : explained);
        }
    }

    // Ctrl+C copies the selected rows, a Shift range and a Ctrl pick, in display order as
    // daridez-dump --check prints them.
    void copyTakesTheSelectedRowsAsTheDumpToolPrintsThem() {
        addRows(6);  // rows of one fixed height, never sized to their contents
        QVERIFY(!view_->verticalHeader()->isVisible());
        QCOMPARE(view_->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
        view_->setFocus();
        for (auto [row, modifier] :
             {std::pair{1, Qt::NoModifier}, {3, Qt::ShiftModifier}, {5, Qt::ControlModifier}})
            QTest::mouseClick(view_->viewport(), Qt::LeftButton, modifier, cell(row, 2).center());
        QTest::keyClick(view_, Qt::Key_C, Qt::ControlModifier);
        std::string rows;
        for (int row : {1, 2, 3, 5})
            AppendRowLine(rows, *model()->entryAt(row), model()->textForm(), true);
        QCOMPARE(QApplication::clipboard()->text(), QString::fromStdString(rows));
    }
};

QTEST_MAIN(TestTraceListView)
#include "tst_tracelistview.moc"
