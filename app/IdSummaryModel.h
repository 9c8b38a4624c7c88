#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

#include "lin/IdSchedule.h"
#include "lin/IdSummary.h"

namespace daridez {

// The per-identifier summary as a table for the "ID summary" window: one row per
// identifier seen, in the order they first appeared (a proxy sorts them). A refresh
// signals only the rows whose figures or marked bytes changed and inserts the new ones.
class IdSummaryModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    // What a column sorts by: a number for the numeric columns, the cell text else.
    static constexpr int SortRole = Qt::UserRole;
    // The identifier of the row, for every column.
    static constexpr int IdRole = Qt::UserRole + 1;
    // In the "last" column: bit i, data byte i changed less than kMarkMicros of trace
    // time before the summary's last row.
    static constexpr int MarkedBytesRole = Qt::UserRole + 2;
    static constexpr std::int64_t kMarkMicros = 1'000'000;
    // True for the row of a frame the LDF plans that never came, or came late.
    static constexpr int MarkedRowRole = Qt::UserRole + 3;
    static constexpr int kBaseColumns = static_cast<int>(IdColumn::Count);

    // The summary is read whenever the view asks; it must outlive the model.
    explicit IdSummaryModel(const IdSummary& summary, QObject* parent = nullptr);

    // Brings the rows in line with the summary after it took new rows.
    void refresh();
    // The summary was emptied: every row goes.
    void removeAll();
    // With an LDF's schedule (nullptr or one without an LDF: none) the columns of
    // LdfIdColumn follow the summary's own, and every identifier the LDF plans has a row
    // from the start. The schedule must outlive the model or the next call.
    void setSchedule(const IdSchedule* schedule);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    static bool isNumeric(IdColumn column);
    // A column's header: words with their units ("min period (ms)").
    static const char* title(IdColumn column);

  private:
    // What the view was last told about one identifier's row.
    struct Shown {
        int id = 0;
        std::uint32_t frames = 0;
        std::uint8_t marked = 0;
    };

    std::uint8_t markedBytes(const IdStats& stats) const;
    QVariant sortKey(const IdStats& stats, IdColumn column) const;
    QVariant ldfData(const IdStats& stats, LdfIdColumn column, int role) const;
    bool withLdf() const { return schedule_ != nullptr && schedule_->hasLdf(); }
    bool marked(const IdStats& stats) const;
    void insertNew();

    const IdSummary& summary_;
    const IdSchedule* schedule_ = nullptr;
    std::vector<Shown> rows_;
    std::array<int, IdSummary::kIdCount> rowOf_{};  // row + 1 of each identifier, 0: none
};

}  // namespace daridez
