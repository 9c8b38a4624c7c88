#include "app/SignalPane.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include "lin/LinFrame.h"
#include "lin/RowReader.h"
#include "view/TraceListModel.h"
#include "view/TraceListView.h"

namespace daridez {

namespace {

const char* const kHeaders[] = {"Signal", "Value", "Raw", "Encoding", "Bit", "Width"};
static_assert(std::size(kHeaders) == SignalPane::PaneColumnCount);
const int kWidths[] = {170, 150, 110, 170, 40, 45};

// The identifier of a LIN frame row, -1 for any other row.
int rowIdentifier(const TraceEntry& entry) {
    const LinFrame frame = ReadLinFrame(entry);
    return frame.isLinFrame && frame.hasId ? frame.id() : -1;
}

QTableWidgetItem* cell(const std::string& text, bool marked = false) {
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    if (marked) {
        QFont bold = item->font();
        bold.setBold(true);
        item->setFont(bold);
        item->setToolTip(QStringLiteral("changed since the previous frame of this identifier"));
    }
    return item;
}

// A value read from a frame that failed its check: greyed, the reason in its tool tip.
QTableWidgetItem* failedCell(const std::string& text, const std::string& failed) {
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    item->setForeground(QApplication::palette().color(QPalette::Disabled, QPalette::Text));
    item->setToolTip(QStringLiteral("frame failed: %1; the value is not what its sender sent")
                         .arg(QString::fromStdString(failed)));
    return item;
}

}  // namespace

QString ReadingHeader(const RowReading& reading) {
    if (reading.frame.empty()) {
        return QStringLiteral("not a LIN frame");
    }
    QString text = QString::fromStdString(reading.frame);
    if (!reading.publisher.empty()) {
        text += QStringLiteral(", published by ") + QString::fromStdString(reading.publisher);
    }
    if (!reading.model.empty()) {
        text += QStringLiteral(", ") + QString::fromStdString(reading.model) +
                QStringLiteral(" checksum");
    }
    if (!reading.note.empty()) {
        text += QStringLiteral(": ") + QString::fromStdString(reading.note);
    }
    if (!reading.failed.empty()) {
        text += QStringLiteral(" (frame failed: ") + QString::fromStdString(reading.failed) +
                QLatin1Char(')');
    }
    return text;
}

SignalPane::SignalPane(TraceListView& list, QWidget* parent) : QWidget(parent), list_(list) {
    setObjectName(QStringLiteral("signalPane"));
    header_ = new QLabel(this);
    header_->setObjectName(QStringLiteral("signalPaneHeader"));
    header_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    follow_ = new QCheckBox(QStringLiteral("follow the newest frame of this identifier"), this);
    follow_->setObjectName(QStringLiteral("signalPaneFollow"));
    follow_->setToolTip(
        QStringLiteral("While a trace comes in, show the newest frame with this identifier"));
    table_ = new QTableWidget(0, PaneColumnCount, this);
    table_->setObjectName(QStringLiteral("signalPaneTable"));
    for (int column = 0; column < PaneColumnCount; ++column) {
        table_->setHorizontalHeaderItem(
            column, new QTableWidgetItem(QString::fromLatin1(kHeaders[column])));
        table_->setColumnWidth(column, kWidths[column]);
    }
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setShowGrid(false);
    table_->setWordWrap(false);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table_, &QWidget::customContextMenuRequested, this, &SignalPane::openMenu);

    auto* top = new QHBoxLayout;
    top->addWidget(header_, 1);
    top->addWidget(follow_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(top);
    layout->addWidget(table_, 1);

    TraceListModel& model = *list_.traceModel();
    connect(list_.selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { showModelRow(current.row()); });
    connect(&model, &QAbstractItemModel::rowsInserted, this, &SignalPane::rowsArrived);
    connect(&model, &QAbstractItemModel::modelReset, this, [this] { showEntry(nullptr, 0); });
    connect(follow_, &QCheckBox::toggled, this, [this](bool on) {
        if (on) {
            rowsArrived();
        }
    });
    setReader(LinDescription{});
}

void SignalPane::setReader(Reader reader) {
    reader_ = std::move(reader);
    refresh();
}

void SignalPane::setReader(const LinDescription& ldf) {
    setReader([ldf](const TraceEntry& entry) { return RowReader(ldf.model()).readRow(entry); });
}

QList<QWidget*> SignalPane::tabChain() const {
    return {follow_, table_};
}

void ConfigureListSplitter(QSplitter& splitter) {
    constexpr int kPaneLines = 7;
    splitter.setObjectName(QStringLiteral("listSplitter"));
    splitter.setChildrenCollapsible(false);
    splitter.setStretchFactor(0, 1);
    splitter.setStretchFactor(1, 0);
    const int line = splitter.fontMetrics().height() + 6;
    const int pane = line * (kPaneLines + 2);
    splitter.setSizes({std::max(line, splitter.height() - pane), pane});
}

void SignalPane::refresh() {
    showEntry(shown_, shownPosition_);
}

void SignalPane::setFollowing(bool follow) {
    follow_->setChecked(follow);
}

bool SignalPane::following() const {
    return follow_->isChecked();
}

QString SignalPane::headerText() const {
    return header_->text();
}

void SignalPane::showModelRow(int row) {
    const std::int64_t position = list_.traceModel()->positionOf(row);
    if (position < 0) {
        return;  // the selection left: the pane keeps what it shows
    }
    const auto at = static_cast<std::uint32_t>(position);
    showEntry(list_.traceModel()->entryAt(at), at);
}

// The nearest row before position (in the list's order) with identifier id.
const TraceEntry* SignalPane::sameIdBefore(std::uint32_t position, int id) const {
    const TraceListModel& model = *list_.traceModel();
    const std::uint32_t stop = position > kScanLimit ? position - kScanLimit : 0;
    for (std::uint32_t at = position; at > stop; --at) {
        const TraceEntry* entry = model.entryAt(at - 1);
        if (entry != nullptr && rowIdentifier(*entry) == id) {
            return entry;
        }
    }
    return nullptr;
}

void SignalPane::showEntry(const TraceEntry* entry, std::uint32_t position) {
    shown_ = entry;
    shownPosition_ = position;
    shownId_ = entry != nullptr ? rowIdentifier(*entry) : -1;
    if (entry == nullptr || !reader_) {
        header_->clear();
        table_->setRowCount(0);
        return;
    }
    RowReading reading = reader_(*entry);
    if (shownId_ >= 0) {
        if (const TraceEntry* before = sameIdBefore(position, shownId_)) {
            MarkChangedSignals(reading, reader_(*before));
        }
    }
    showReading(reading);
}

void SignalPane::showReading(const RowReading& reading) {
    header_->setText(ReadingHeader(reading));
    table_->setRowCount(static_cast<int>(reading.values.size() + reading.transport.size()));
    int row = 0;
    for (const SignalReading& signal : reading.values) {
        QTableWidgetItem* name = cell(signal.name);
        name->setData(Qt::UserRole, QString::fromStdString(signal.frame + '.' + signal.name));
        table_->setItem(row, SignalColumn, name);
        const bool failed = !reading.failed.empty();
        table_->setItem(
            row, ValueColumn,
            failed ? failedCell(signal.value, reading.failed) : cell(signal.value, signal.changed));
        table_->setItem(
            row, RawColumn,
            failed ? failedCell(signal.raw, reading.failed) : cell(signal.raw, signal.changed));
        table_->setItem(row, EncodingColumn, cell(signal.encoding));
        table_->setItem(row, BitColumn, cell(std::to_string(signal.offset)));
        table_->setItem(row, WidthColumn, cell(std::to_string(signal.width)));
        ++row;
    }
    for (const TransportField& field : reading.transport) {
        table_->setItem(row, SignalColumn, cell(field.name));
        table_->setItem(row, ValueColumn, cell(field.value));
        for (int column = RawColumn; column < PaneColumnCount; ++column) {
            table_->setItem(row, column, cell({}));
        }
        ++row;
    }
}

// Per batch: with following on, the newest frame of the shown identifier.
void SignalPane::rowsArrived() {
    if (!following() || shownId_ < 0) {
        return;
    }
    const TraceListModel& model = *list_.traceModel();
    const std::uint32_t count = model.indexCount();
    // While live, the last row may still be filling: the newest complete one is before it.
    const std::uint32_t end = model.isLive() && count > 0 ? count - 1 : count;
    const TraceEntry* newest = sameIdBefore(end, shownId_);
    if (newest == nullptr || newest == shown_) {
        return;
    }
    std::uint32_t position = end;
    while (position > 0 && model.entryAt(position - 1) != newest) {
        --position;
    }
    showEntry(newest, position - 1);
}

void SignalPane::openMenu(const QPoint& at) {
    const int row = table_->rowAt(at.y());
    const QTableWidgetItem* name = row >= 0 ? table_->item(row, SignalColumn) : nullptr;
    if (name == nullptr) {
        return;
    }
    QMenu menu(this);
    const QString lane = name->data(Qt::UserRole).toString();  // none on transport fields
    QAction* plot =
        menu.addAction(QStringLiteral("Plot"), this, [this, lane] { emit plotRequested(lane); });
    plot->setEnabled(!lane.isEmpty());
    menu.addAction(QStringLiteral("Copy"), this, [this, row] {
        QStringList texts;
        for (int column = 0; column < PaneColumnCount; ++column) {
            texts << table_->item(row, column)->text();
        }
        QApplication::clipboard()->setText(texts.join(QLatin1Char('\t')));
    });
    menu.exec(table_->viewport()->mapToGlobal(at));
}

}  // namespace daridez
