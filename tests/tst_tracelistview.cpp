// The trace list widget, offscreen: header, row height, header-click sorting through
// the real header, right-clicks, the painted colours of plain and selected rows, and
// the dotted column lines.
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <cstdio>

#include "trace/TraceList.h"
#include "view/TraceListModel.h"
#include "view/TraceListView.h"

using namespace daridez;

namespace {

const QColor kActiveHighlight(0, 0, 200);
const QColor kInactiveHighlight(120, 120, 220);
const QColor kActiveHighlightText(255, 255, 255);
const QColor kInactiveHighlightText(250, 250, 0);

bool isGreenish(QRgb pixel) {
    return qGreen(pixel) > qRed(pixel) + 60 && qGreen(pixel) > qBlue(pixel) + 60;
}

bool isReddish(QRgb pixel) {
    return qRed(pixel) > qGreen(pixel) + 60 && qRed(pixel) > qBlue(pixel) + 60;
}

bool isDark(QRgb pixel) {
    return qRed(pixel) + qGreen(pixel) + qBlue(pixel) < 200;
}

}  // namespace

class TestTraceListView : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void columnsHaveTheirHeadersAndWidths();
    void everyRowHasTheSameFixedHeight();
    void clickOnInfoHeaderSortsAndAgainReverses();
    void headerClickWhileLiveDoesNothing();
    void rightClickReportsTheColumnUnderThePointer();
    void plainRowIsFilledWithItsBackground();
    void selectedRowWithoutFocusShowsInactiveHighlightWithActiveSeam();
    void selectedRowWithFocusShowsActiveHighlight();
    void colouredRowsKeepWindowTextInNumberAndTime();
    void gridLinesRunBelowTheLastRow();
    void gridLinesFollowHorizontalScroll();
    void appendingRowsNeverScrolls();
    void newRowsTakeThePalettesBaseAndText();
    void clearViewEmptiesTheList();

  private:
    TraceEntry* addRow(const char* info, Colour textColour);
    void addRows(int count);
    QImage grabViewport() { return view_->viewport()->grab().toImage(); }
    QRect cell(int row, int column) const {
        return view_->visualRect(view_->model()->index(row, column));
    }

    QWidget* window_ = nullptr;
    QLineEdit* other_ = nullptr;  // takes the focus away from the list
    TraceListView* view_ = nullptr;
    TraceList* list_ = nullptr;
    TraceEntry* last_ = nullptr;
    int number_ = 0;
};

void TestTraceListView::init() {
    window_ = new QWidget;
    auto* layout = new QVBoxLayout(window_);
    other_ = new QLineEdit(window_);
    view_ = new TraceListView(window_);
    new QAbstractItemModelTester(view_->model(),
                                 QAbstractItemModelTester::FailureReportingMode::QtTest, view_);
    layout->addWidget(other_);
    layout->addWidget(view_);
    QPalette palette = view_->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::Active, QPalette::Highlight, kActiveHighlight);
    palette.setColor(QPalette::Inactive, QPalette::Highlight, kInactiveHighlight);
    palette.setColor(QPalette::Active, QPalette::HighlightedText, kActiveHighlightText);
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText, kInactiveHighlightText);
    view_->setPalette(palette);
    QFont font = view_->font();
    font.setStyleStrategy(QFont::NoAntialias);  // text pixels in the pen colour only
    view_->setFont(font);
    window_->resize(700, 400);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
    list_ = new TraceList;
    last_ = nullptr;
    number_ = 0;
}

void TestTraceListView::cleanup() {
    delete window_;
    delete list_;
}

TraceEntry* TestTraceListView::addRow(const char* info, Colour textColour) {
    last_ = list_->CreateEntry(last_, number_, 1000 + number_, view_->rowColours());
    std::snprintf(last_->infoText, sizeof last_->infoText, "%s", info);
    std::snprintf(last_->syncText, sizeof last_->syncText, "55h");
    SetTextColour(last_, textColour);
    view_->AppendRow(last_, number_);
    ++number_;
    return last_;
}

void TestTraceListView::addRows(int count) {
    for (int i = 0; i < count; ++i) {
        addRow("Break", 0);
    }
    view_->endOfBatch();
}

void TestTraceListView::columnsHaveTheirHeadersAndWidths() {
    const QHeaderView* header = view_->horizontalHeader();
    const QStringList names = {"MsgNr", "TimeStamp", "Info", "Sync", "ID",  "DB0", "DB1",
                               "DB2",   "DB3",       "DB4",  "DB5",  "DB6", "DB7", "CS"};
    const int widths[] = {50, 110, 100, 45, 35, 35, 35, 35, 35, 35, 35, 35, 35, 35};
    QCOMPARE(header->count(), 14);
    for (int c = 0; c < 14; ++c) {
        QCOMPARE(view_->model()->headerData(c, Qt::Horizontal).toString(), names[c]);
        QCOMPARE(header->sectionSize(c), widths[c]);
    }
    QVERIFY(!view_->verticalHeader()->isVisible());

    view_->setHeaderText(1, "rel. TimeStamp");
    view_->setHeaderText(4, "[ID]");
    QCOMPARE(view_->model()->headerData(1, Qt::Horizontal).toString(), "rel. TimeStamp");
    QCOMPARE(view_->model()->headerData(4, Qt::Horizontal).toString(), "[ID]");
}

void TestTraceListView::everyRowHasTheSameFixedHeight() {
    addRows(50);
    const QHeaderView* rows = view_->verticalHeader();
    QCOMPARE(rows->sectionResizeMode(0), QHeaderView::Fixed);
    const int height = view_->rowHeight(0);
    QVERIFY(height >= view_->fontMetrics().height());
    for (int row = 1; row < 50; ++row) {
        QCOMPARE(view_->rowHeight(row), height);
    }
}

void TestTraceListView::clickOnInfoHeaderSortsAndAgainReverses() {
    addRow("START", 0);
    addRow("Break", 0);
    addRow("#BufOvfl", 0);
    view_->endOfBatch();
    QHeaderView* header = view_->horizontalHeader();
    const QPoint info(header->sectionViewportPosition(2) + 10, header->height() / 2);

    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, info);
    QCOMPARE(QString(view_->rowAt(0)->infoText), "#BufOvfl");
    QCOMPARE(QString(view_->rowAt(2)->infoText), "START");
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, info);
    QCOMPARE(QString(view_->rowAt(0)->infoText), "START");

    const QPoint msgNr(header->sectionViewportPosition(0) + 10, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, msgNr);
    QCOMPARE(view_->rowAt(0)->number, 0);
    QCOMPARE(view_->rowAt(2)->number, 2);
}

void TestTraceListView::headerClickWhileLiveDoesNothing() {
    addRow("b", 0);
    addRow("a", 0);
    view_->endOfBatch();
    QHeaderView* header = view_->horizontalHeader();
    const QPoint info(header->sectionViewportPosition(2) + 10, header->height() / 2);
    view_->SetLive(true);
    QVERIFY(view_->isLive());
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, info);
    QCOMPARE(QString(view_->rowAt(0)->infoText), "b");
    view_->SetLive(false);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, info);
    QCOMPARE(QString(view_->rowAt(0)->infoText), "a");
}

void TestTraceListView::rightClickReportsTheColumnUnderThePointer() {
    addRows(3);
    QSignalSpy clicked(view_, &TraceListView::rightClicked);
    const QRect db2 = cell(1, 7);
    QTest::mouseClick(view_->viewport(), Qt::RightButton, {}, db2.center());
    const QRect time = cell(0, 1);
    QTest::mouseClick(view_->viewport(), Qt::RightButton, {}, time.center());
    // Beyond the last column: no column.
    const QRect cs = cell(0, 13);
    QVERIFY(cs.right() + 20 < view_->viewport()->width());
    QTest::mouseClick(view_->viewport(), Qt::RightButton, {}, QPoint(cs.right() + 20, 5));
    QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, db2.center());  // not reported
    QCOMPARE(clicked.count(), 3);
    QCOMPARE(clicked[0][0].toInt(), 7);
    QCOMPARE(clicked[1][0].toInt(), 1);
    QCOMPARE(clicked[2][0].toInt(), -1);
}

void TestTraceListView::plainRowIsFilledWithItsBackground() {
    TraceEntry* entry = addRow("Break", 0);
    entry->backColour = 0x0080C0E0;  // as if another palette had been in force
    view_->endOfBatch();
    const QImage image = grabViewport();
    const QRect sync = cell(0, 3);
    const QColor back(0xE0, 0xC0, 0x80);
    QCOMPARE(image.pixelColor(sync.right() - 2, sync.center().y()), back);
    // Up to the cell's edges (its right edge carries the dotted column line).
    QCOMPARE(image.pixelColor(sync.right() - 1, sync.top()), back);
    QCOMPARE(image.pixelColor(sync.left(), sync.bottom()), back);
}

void TestTraceListView::selectedRowWithoutFocusShowsInactiveHighlightWithActiveSeam() {
    addRows(3);
    other_->setFocus();
    QTRY_VERIFY(!view_->hasFocus());
    view_->selectRow(1);
    const QImage image = grabViewport();
    const QRect sync = cell(1, 3);
    const int middle = sync.center().y();

    QCOMPARE(image.pixelColor(sync.right() - 2, middle), kInactiveHighlight);
    QCOMPARE(image.pixelColor(sync.left(), middle), kActiveHighlight);  // seam
    QCOMPARE(image.pixelColor(sync.right() - 1, middle), kInactiveHighlight);
    // The dotted outline along the row's top edge: every other pixel.
    const QColor first = image.pixelColor(sync.left() + 4, sync.top());
    const QColor second = image.pixelColor(sync.left() + 5, sync.top());
    QVERIFY(first == kInactiveHighlightText || second == kInactiveHighlightText);
    QVERIFY(first == kActiveHighlight || second == kActiveHighlight);
    // The text of a selected row is in the highlight text colour, even in green rows.
    bool textPainted = false;
    for (int x = sync.left() + 1; x < sync.right(); ++x) {
        for (int y = sync.top() + 1; y < sync.bottom(); ++y) {
            textPainted |= image.pixelColor(x, y) == kInactiveHighlightText;
        }
    }
    QVERIFY(textPainted);
    // The unselected neighbour stays plain.
    const QRect below = cell(2, 3);
    QCOMPARE(image.pixelColor(below.right() - 2, below.center().y() + 1), QColor(Qt::white));
}

void TestTraceListView::selectedRowWithFocusShowsActiveHighlight() {
    addRows(3);
    QApplication::setActiveWindow(window_);
    view_->setFocus();
    QTRY_VERIFY(view_->hasFocus());
    view_->selectRow(0);
    const QImage image = grabViewport();
    const QRect info = cell(0, 2);
    QCOMPARE(image.pixelColor(info.right() - 2, info.center().y()), kActiveHighlight);
    QCOMPARE(image.pixelColor(info.left(), info.center().y()), kActiveHighlight);
    bool outlined = false;
    for (int x = info.left(); x < info.left() + 4; ++x) {
        outlined |= image.pixelColor(x, info.top()) == kActiveHighlightText;
    }
    QVERIFY(outlined);
}

void TestTraceListView::colouredRowsKeepWindowTextInNumberAndTime() {
    addRow("Break", kGreen);
    addRow("err", kRed);
    view_->endOfBatch();
    const QImage image = grabViewport();
    for (int row = 0; row < 2; ++row) {
        auto coloured = row == 0 ? isGreenish : isReddish;
        for (int column = 0; column < 3; ++column) {
            const QRect area = cell(row, column);
            int dark = 0;
            int inRowColour = 0;
            for (int x = area.left(); x <= area.right(); ++x) {
                for (int y = area.top(); y <= area.bottom(); ++y) {
                    const QRgb pixel = image.pixel(x, y);
                    dark += isDark(pixel) ? 1 : 0;
                    inRowColour += coloured(pixel) ? 1 : 0;
                }
            }
            const QByteArray where = QByteArray::number(row) + "/" + QByteArray::number(column);
            if (column < 2) {
                QVERIFY2(dark > 0 && inRowColour == 0, where);
            } else {
                QVERIFY2(dark == 0 && inRowColour > 0, where);
            }
        }
    }
}

void TestTraceListView::gridLinesRunBelowTheLastRow() {
    addRows(2);
    const QImage image = grabViewport();
    const int y = cell(1, 0).bottom() + 40;  // well below the last row
    QVERIFY(y + 1 < image.height());
    const QColor base = Qt::white;
    for (int column = 0; column < 14; ++column) {
        const int x = view_->columnViewportPosition(column) + view_->columnWidth(column) - 1;
        const QColor a = image.pixelColor(x, y);
        const QColor b = image.pixelColor(x, y + 1);
        QVERIFY2((a == base) != (b == base), QByteArray::number(column));  // dotted
        QCOMPARE(image.pixelColor(x - 3, y), base);
    }
    // Nothing beyond the last column.
    const int end = view_->columnViewportPosition(13) + view_->columnWidth(13);
    for (int x = end; x < image.width(); ++x) {
        QCOMPARE(image.pixelColor(x, y), base);
        QCOMPARE(image.pixelColor(x, y + 1), base);
    }
}

void TestTraceListView::gridLinesFollowHorizontalScroll() {
    window_->resize(300, 300);
    addRows(1);
    QTRY_VERIFY(view_->horizontalScrollBar()->maximum() > 30);
    view_->horizontalScrollBar()->setValue(17);
    const QImage image = grabViewport();
    const int y = cell(0, 0).bottom() + 20;
    const int x = view_->columnViewportPosition(2) + view_->columnWidth(2) - 1;
    QCOMPARE(x, 50 + 110 + 100 - 17 - 1);
    QVERIFY((image.pixelColor(x, y) == Qt::white) != (image.pixelColor(x, y + 1) == Qt::white));
    QCOMPARE(image.pixelColor(x + 17, y), QColor(Qt::white));
    QCOMPARE(image.pixelColor(x + 17, y + 1), QColor(Qt::white));
}

void TestTraceListView::appendingRowsNeverScrolls() {
    addRows(200);
    QScrollBar* scroll = view_->verticalScrollBar();
    QTRY_VERIFY(scroll->maximum() > 50);
    QCOMPARE(scroll->value(), 0);
    scroll->setValue(40);
    addRows(300);
    QCOMPARE(view_->model()->rowCount(), 500);
    QCOMPARE(scroll->value(), 40);
}

void TestTraceListView::newRowsTakeThePalettesBaseAndText() {
    QPalette palette = view_->palette();
    palette.setColor(QPalette::Base, QColor(0x20, 0x21, 0x22));
    palette.setColor(QPalette::Text, QColor(0xE0, 0xE1, 0xE2));
    view_->setPalette(palette);
    const RowColours colours = view_->rowColours();
    QCOMPARE(colours.window, Colour{0x222120});
    QCOMPARE(colours.windowText, Colour{0xE2E1E0});
}

void TestTraceListView::clearViewEmptiesTheList() {
    addRows(600);
    view_->SetLive(true);
    view_->ClearView();
    QCOMPARE(view_->rowCount(), 0u);
    QCOMPARE(view_->model()->rowCount(), 0);
    QCOMPARE(view_->rowCapacity(), 1000u);
    QVERIFY(!view_->isLive());
    QCOMPARE(view_->rowAt(0), nullptr);
}

QTEST_MAIN(TestTraceListView)
#include "tst_tracelistview.moc"
