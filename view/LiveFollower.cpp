#include "view/LiveFollower.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QScrollBar>
#include <QTableView>

#include "view/TraceListModel.h"

namespace daridez {

LiveFollower::LiveFollower(QTableView& view, TraceListModel& model)
    : QObject(&view), view_(view), model_(model), note_(new QLabel(view.viewport())) {
    note_->setText(tr("following paused \u2013 End follows the trace again"));
    note_->setAutoFillBackground(true);
    note_->setBackgroundRole(QPalette::ToolTipBase);
    note_->setForegroundRole(QPalette::ToolTipText);
    note_->setMargin(2);
    note_->hide();

    connect(&model_, &QAbstractItemModel::rowsInserted, this, &LiveFollower::rowsArrived);
    connect(&model_, &QAbstractItemModel::layoutChanged, this,
            [this](const QList<QPersistentModelIndex>&, QAbstractItemModel::LayoutChangeHint hint) {
                if (hint == QAbstractItemModel::VerticalSortHint) {
                    setPaused(true);
                }
            });
    connect(&model_, &QAbstractItemModel::modelReset, this, [this] { setPaused(false); });
    // A trace starts followed when the end of the list is in view.
    connect(&model_, &TraceListModel::liveChanged, this, [this] {
        const QScrollBar* bar = view_.verticalScrollBar();
        setPaused(bar->value() < bar->maximum());
    });
    // Only the user moves the list while it is live: our own scrolls are flagged.
    connect(view_.verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (!scrolling_) {
            setPaused(value < view_.verticalScrollBar()->maximum());
        }
    });
    connect(view_.selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { setPaused(true); });
}

void LiveFollower::resume() {
    setPaused(false);
    rowsArrived();
}

void LiveFollower::rowsArrived() {
    if (paused_ || !model_.isLive()) {
        return;
    }
    scrolling_ = true;
    view_.scrollToBottom();
    scrolling_ = false;
}

void LiveFollower::setPaused(bool paused) {
    paused_ = paused;
    const bool show = paused_ && model_.isLive();
    if (show) {
        placeNote();
    }
    note_->setVisible(show);
}

void LiveFollower::placeNote() {
    note_->adjustSize();
    const QRect area = view_.viewport()->rect();
    note_->move(area.right() - note_->width() - 4, area.bottom() - note_->height() - 4);
}

}  // namespace daridez
