#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>

#include "lin/RowReading.h"
#include "trace/TraceEntry.h"

class QCheckBox;
class QLabel;
class QSplitter;
class QTableWidget;

namespace daridez {

class TraceContext;

class TraceListView;

// The pane below the trace list: the row last clicked, decoded (frame, publisher,
// checksum model, one line per signal or transport field), its values marked where they
// differ from the previous frame of the same identifier. While a trace comes in it can
// follow the newest frame of that identifier instead, refreshed with every batch. The
// decoding is the core's (a reader given by the window); this is the showing.
class SignalPane : public QWidget {
    Q_OBJECT

  public:
    using Reader = std::function<RowReading(const TraceEntry& entry)>;
    // How far back (rows) the pane looks for the previous or newest frame of an identifier.
    static constexpr std::uint32_t kScanLimit = 1u << 16;

    enum PaneColumn {
        SignalColumn,
        ValueColumn,
        RawColumn,
        EncodingColumn,
        BitColumn,
        WidthColumn,
        PaneColumnCount
    };

    SignalPane(TraceListView& list, QWidget* parent = nullptr);

    // How rows are read; refresh() shows the current row again with it (a new LDF).
    void setReader(Reader reader);
    // Rows read with the context's LDF, whichever it holds when a row is shown.
    void setReader(const TraceContext& context);
    void refresh();
    // Follows the newest frame of the shown identifier while rows arrive.
    void setFollowing(bool follow);
    bool following() const;

    QString headerText() const;
    QTableWidget* table() const { return table_; }
    QList<QWidget*> tabChain() const;
    // The row shown (nullptr: none).
    const TraceEntry* shownEntry() const { return shown_; }

  signals:
    // "Plot" on a signal line: the signal's plot lane, "FRAME.SIGNAL", for a plot window
    // to draw.
    void plotRequested(const QString& lane);

  private:
    void showModelRow(int row);
    void showEntry(const TraceEntry* entry, std::uint32_t position);
    void showReading(const RowReading& reading);
    void rowsArrived();
    const TraceEntry* sameIdBefore(std::uint32_t position, int id) const;
    void openMenu(const QPoint& at);

    void addAssembled(RowReading& reading, std::uint32_t position) const;

    TraceListView& list_;
    Reader reader_;
    const TraceContext* context_ = nullptr;  // its LDF names the nodes of assembled messages
    QLabel* header_ = nullptr;
    QCheckBox* follow_ = nullptr;
    QTableWidget* table_ = nullptr;
    const TraceEntry* shown_ = nullptr;
    std::uint32_t shownPosition_ = 0;  // of the shown row in the list's row index
    int shownId_ = -1;                 // its identifier; -1: not a LIN frame
};

// "RLS_Status, published by RLS, enhanced checksum", with the note where there is one.
QString ReadingHeader(const RowReading& reading);

// The list above the pane: the list takes what the window grows by, the pane starts
// some lines high, and neither can be pushed out of sight.
void ConfigureListSplitter(QSplitter& splitter);

}  // namespace daridez
