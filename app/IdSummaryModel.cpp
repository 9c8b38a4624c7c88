#include "app/IdSummaryModel.h"

#include <QColor>
#include <QFont>
#include <iterator>

namespace daridez {

namespace {

constexpr int kLastColumn = static_cast<int>(IdColumn::Last);

}  // namespace

IdSummaryModel::IdSummaryModel(const IdSummary& summary, QObject* parent)
    : QAbstractTableModel(parent), summary_(summary) {}

bool IdSummaryModel::isNumeric(IdColumn column) {
    return IdColumnAt(column).numeric;
}

// At most 64 identifiers: a refresh costs the same however long the trace is.
void IdSummaryModel::refresh() {
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        Shown& shown = rows_[row];
        const IdStats& stats = summary_.stats(shown.id);
        const std::uint8_t marked = markedBytes(stats);
        const int first = stats.frames != shown.frames ? 0 : kLastColumn;
        if (stats.frames != shown.frames || marked != shown.marked) {
            shown.frames = stats.frames;
            shown.marked = marked;
            emit dataChanged(index(int(row), first), index(int(row), columnCount() - 1));
        }
    }
    insertNew();
}

void IdSummaryModel::insertNew() {
    std::vector<Shown> added;
    for (int id = 0; id < IdSummary::kIdCount; ++id) {
        const bool planned = withLdf() && schedule_->plan(id).inLdf;
        if ((summary_.seen(id) || planned) && rowOf_[static_cast<std::size_t>(id)] == 0) {
            const IdStats& stats = summary_.stats(id);
            added.push_back({id, stats.frames, markedBytes(stats)});
        }
    }
    if (added.empty()) {
        return;
    }
    const int first = int(rows_.size());
    beginInsertRows({}, first, first + int(added.size()) - 1);
    for (const Shown& shown : added) {
        rows_.push_back(shown);
        rowOf_[static_cast<std::size_t>(shown.id)] = int(rows_.size());
    }
    endInsertRows();
}

void IdSummaryModel::removeAll() {
    if (rows_.empty()) {
        return;
    }
    beginRemoveRows({}, 0, int(rows_.size()) - 1);
    rows_.clear();
    rowOf_.fill(0);
    endRemoveRows();
}

void IdSummaryModel::setSchedule(const IdSchedule* schedule) {
    beginResetModel();
    schedule_ = schedule;
    rows_.clear();
    rowOf_.fill(0);
    endResetModel();
    insertNew();
}

bool IdSummaryModel::marked(const IdStats& stats) const {
    if (!withLdf() || !schedule_->plan(stats.id).inLdf) {
        return false;
    }
    return stats.frames == 0 || schedule_->late(stats);
}

std::uint8_t IdSummaryModel::markedBytes(const IdStats& stats) const {
    std::uint8_t marked = 0;
    for (int i = 0; i < stats.dataLength; ++i) {
        const std::int64_t changed = stats.changeTimes[static_cast<std::size_t>(i)];
        if (changed != IdStats::kNever && summary_.lastTime() - changed < kMarkMicros) {
            marked |= static_cast<std::uint8_t>(1u << i);
        }
    }
    return marked;
}

int IdSummaryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int IdSummaryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kBaseColumns + (withLdf() ? int(LdfIdColumn::Count) : 0);
}

QVariant IdSummaryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(rows_.size())) {
        return {};
    }
    const Shown& shown = rows_[static_cast<std::size_t>(index.row())];
    const IdStats& stats = summary_.stats(shown.id);
    const auto column = static_cast<IdColumn>(index.column());
    switch (role) {
        case IdRole:
            return shown.id;
        case MarkedRowRole:
            return marked(stats);
        case Qt::BackgroundRole:
            // A warm red laid over the row: it shows on light and dark themes alike.
            return marked(stats) ? QVariant(QColor(255, 64, 48, 80)) : QVariant();
        default:
            break;
    }
    if (index.column() >= kBaseColumns) {
        return ldfData(stats, static_cast<LdfIdColumn>(index.column() - kBaseColumns), role);
    }
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(IdCellText(stats, column));
        case Qt::TextAlignmentRole:
            return int((isNumeric(column) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        case SortRole:
            return sortKey(stats, column);
        case MarkedBytesRole:
            return column == IdColumn::Last ? QVariant(int(shown.marked)) : QVariant();
        default:
            return {};
    }
}

// Rows without a period (fewer than two frames of one recording) sort before the others.
QVariant IdSummaryModel::sortKey(const IdStats& stats, IdColumn column) const {
    const bool period = stats.periods != 0;
    switch (column) {
        case IdColumn::Id:
            return int(stats.id);
        case IdColumn::Frames:
            return qulonglong(stats.frames);
        case IdColumn::Bad:
            return qulonglong(stats.bad);
        case IdColumn::Lengths:
            return int(stats.lengths);
        case IdColumn::PeriodMin:
            return period ? qlonglong(stats.periodMin) : qlonglong(-1);
        case IdColumn::PeriodAvg:
            return period ? qlonglong(AveragePeriod(stats)) : qlonglong(-1);
        case IdColumn::PeriodMax:
            return period ? qlonglong(stats.periodMax) : qlonglong(-1);
        default:
            return QString::fromStdString(IdCellText(stats, column));
    }
}

QVariant IdSummaryModel::ldfData(const IdStats& stats, LdfIdColumn column, int role) const {
    const QString text = QString::fromStdString(schedule_->cellText(stats, column));
    const bool numeric = LdfIdColumnAt(column).numeric;
    switch (role) {
        case Qt::DisplayRole:
            return text;
        case Qt::TextAlignmentRole:
            return int((numeric ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        case Qt::FontRole:
            if (column == LdfIdColumn::Note && marked(stats)) {
                QFont bold;
                bold.setBold(true);
                return bold;
            }
            return {};
        case SortRole: {
            const IdPlan& plan = schedule_->plan(stats.id);
            if (column == LdfIdColumn::LdfLength) {
                return plan.inLdf ? plan.length : -1;
            }
            if (column == LdfIdColumn::PeriodNominal) {
                return qlonglong(plan.nominalMicros > 0 ? plan.nominalMicros : -1);
            }
            if (column == LdfIdColumn::Collisions) {
                return plan.eventTriggered ? qlonglong(stats.collisions) : qlonglong(-1);
            }
            return text;
        }
        default:
            return {};
    }
}

const char* IdSummaryModel::title(IdColumn column) {
    return IdColumnAt(column).title;
}

QVariant IdSummaryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) {
        return {};
    }
    if (section >= kBaseColumns) {
        const auto column = static_cast<LdfIdColumn>(section - kBaseColumns);
        switch (role) {
            case Qt::DisplayRole:
                return QString::fromLatin1(LdfIdColumnAt(column).title);
            case Qt::ToolTipRole:
                return QString::fromLatin1(LdfIdColumnAt(column).tip);
            default:
                return {};
        }
    }
    const auto column = static_cast<IdColumn>(section);
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromLatin1(title(column));
        case Qt::ToolTipRole:
            return QString::fromLatin1(IdColumnAt(column).tip);
        case Qt::TextAlignmentRole:
            return int((isNumeric(column) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        default:
            return {};
    }
}

}  // namespace daridez
