#pragma once

#include <QObject>

class QLabel;
class QTableView;

namespace daridez {

class TraceListModel;

// Keeps a live trace in view: while the model is live, new rows scroll the list to its
// end as long as the user has not looked elsewhere. Scrolling up, selecting a row or
// sorting pauses following (the rows still arrive); scrolling back to the end, or End,
// resumes it. A small note in the list's corner says when following is paused.
class LiveFollower : public QObject {
    Q_OBJECT

  public:
    LiveFollower(QTableView& view, TraceListModel& model);

    bool paused() const { return paused_; }
    // The user asked for the end of the list (End, Ctrl+End): follow again.
    void resume();

  private:
    void setPaused(bool paused);
    void rowsArrived();
    void placeNote();

    QTableView& view_;
    TraceListModel& model_;
    QLabel* note_;
    bool paused_ = false;
    bool scrolling_ = false;  // our own scroll to the end: not the user's move
};

}  // namespace daridez
