#pragma once

#include <QColor>
#include <QList>
#include <QPalette>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>

class QCheckBox;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;

namespace daridez {

class Query;
class QueryCompleter;
class TraceContext;
class TraceListModel;
class TraceListView;

// The controls of the "Trace search" group: a query in the search language
// (lin/Query.h), stepping through the matching rows of the trace list in display
// order, showing only the matches, and their count ("match 13 of 778" while stepping).
// F3 and Shift+F3 step anywhere in the window. The rows and the matching are the list
// model's; this is the wiring.
class SearchGroup : public QWidget {
    Q_OBJECT

  public:
    // How long typing may pause before the query is applied.
    static constexpr int kTypingPauseMs = 300;
    // A field's background while it holds a query the parser rejected: the palette's
    // base tinted red, so that it reads in light and dark themes alike.
    static QColor rejectedBase(const QPalette& palette);

    // The query's frame and signal terms and check words are read with the context's LDF;
    // a new one parses the query again and gives the field its names as completions.
    SearchGroup(TraceListView& list, const TraceContext& context, QWidget* parent = nullptr);
    ~SearchGroup() override;

    // Fills the field with text and steps to the next match, as Return does.
    void setQuery(const QString& text);
    // Looks for the frames of an identifier ("id=3C").
    void findIdentifier(int id);
    // The query of the rows shown while only matches are (what was typed applied
    // first); nullptr while every row shows.
    const Query* shownQuery();
    void findNext() { find(true); }
    void findPrevious() { find(false); }

    // For those that export what the list shows: whether only matches are shown, and
    // the query applied (nullptr: none). The query's error, if any, is not applied.
    // applyTyping() first applies what was typed and not yet applied.
    void applyTyping();
    bool showingOnlyMatches() const;
    const Query* activeQuery() const;
    // The text below the buttons: a stepping notice or the query's error.
    QString message() const;
    QString countText() const;
    bool queryRejected() const { return rejected_; }

    QueryCompleter& completer() const { return *completer_; }

    // The controls in tab order.
    QList<QWidget*> tabChain() const;

  private:
    void buildControls();
    void applyLdf();
    bool applyQuery();
    void find(bool forward);
    void showRow(const QModelIndex& index);
    void showMessage(const QString& text);
    void markRejected(bool rejected);
    void updateCount();
    void currentMoved();

    TraceListView& list_;
    TraceListModel& model_;
    QLineEdit* field_ = nullptr;
    QueryCompleter* completer_ = nullptr;
    const TraceContext& context_;
    QPushButton* previous_ = nullptr;
    QPushButton* next_ = nullptr;
    QCheckBox* onlyMatches_ = nullptr;
    QLabel* message_ = nullptr;
    QLabel* count_ = nullptr;
    QTimer typingPause_;
    QTimer countPause_;
    QString applied_;  // the text of the query the model holds
    bool rejected_ = false;
    bool stepping_ = false;  // the current row is the match a step selected
    bool stepInProgress_ = false;
};

// count with a comma between thousands: "1,000,005".
QString GroupedNumber(std::uint64_t count);

}  // namespace daridez
