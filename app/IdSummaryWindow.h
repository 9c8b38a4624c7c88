#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>

#include "lin/IdSchedule.h"
#include "lin/IdSummaryTracker.h"
#include "lin/LinDescription.h"
#include "lin/LinRates.h"
#include "protocol/TraceSession.h"

class QComboBox;
class QLabel;
class QSortFilterProxyModel;
class QTableView;

namespace daridez {

class IdSummaryModel;

// The "ID summary" window: one row per identifier of the trace with its counts, lengths,
// checksum model, periods and last data, and the bus load, kept up to date while a trace
// runs. A top-level window of its own that closes with its parent.
class IdSummaryWindow : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kRefreshMs = 250;

    // rowsArriving tells whether the decoder may still fill its current row (a trace or a
    // load is running); without it, whenever the session's state is not Idle.
    IdSummaryWindow(TraceSession& session, std::function<bool()> rowsArriving,
                    QWidget* parent = nullptr);
    ~IdSummaryWindow() override;

    // The bit rate the bus load assumes: the one the tracer last confirmed.
    void setBaudrate(int baudrate);
    int baudrate() const { return baudrate_; }
    // The LDF the summary reads the rows with: every row is counted again.
    void setLdf(const LinDescription& ldf);
    const LinDescription& ldf() const { return ldf_; }
    // The trace was cleared or is being reloaded.
    void resetSummary();
    // Shows the window, or brings it to the front.
    void showInFront();
    // Takes the rows completed since the last refresh (the timer calls it while shown).
    void refresh();

    const IdSummary& summary() const { return tracker_.summary(); }
    QTableView* table() const { return table_; }
    // The schedule table the nominal periods come from ("" the first one holding each
    // frame), chosen in the drop-down above the table, which shows with an LDF.
    QComboBox* scheduleBox() const { return tables_; }
    void chooseSchedule(const QString& table);
    const IdSchedule& schedule() const { return schedule_; }
    QString busLoadText() const;

  signals:
    // A row was double-clicked: its identifier, parity bits removed.
    void identifierActivated(int id);
    // "Plot" in the context menu: the lane of the item under the mouse ("3C byte 2").
    void plotRequested(const QString& laneText);

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void buildTable();
    void sizeColumns();
    void showTotals();
    void applySchedule();
    void placeLdfColumns();
    void showBusLoad();
    void onDoubleClick(const QModelIndex& index);
    void onContextMenu(const QPoint& at);
    QString laneTextAt(const QModelIndex& index, int x) const;

    TraceSession& session_;
    std::function<bool()> rowsArriving_;
    IdSummaryTracker tracker_;
    IdSummaryModel* model_ = nullptr;
    QSortFilterProxyModel* sorted_ = nullptr;
    QTableView* table_ = nullptr;
    QLabel* counts_ = nullptr;
    QComboBox* tables_ = nullptr;
    QWidget* tablesRow_ = nullptr;
    IdSchedule schedule_;
    QLabel* busLoad_ = nullptr;
    QTimer timer_;
    int baudrate_ = kDefaultLinRate;
    LinDescription ldf_;
    bool confirmed_ = false;  // baudrate_ came from the tracer, not the default
};

}  // namespace daridez
