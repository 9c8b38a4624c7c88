#include "app/SearchGroup.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QShortcut>
#include <optional>
#include <string>

#include "app/DialogUnits.h"
#include "app/QueryCompleter.h"
#include "app/TraceContext.h"
#include "lin/Query.h"
#include "view/TraceListModel.h"
#include "view/TraceListView.h"

namespace daridez {

QColor SearchGroup::rejectedBase(const QPalette& palette) {
    const QColor base = palette.color(QPalette::Base);
    const QColor red(220, 0, 0);
    constexpr double kTint = 0.35;
    return QColor::fromRgbF(static_cast<float>(base.redF() * (1 - kTint) + red.redF() * kTint),
                            static_cast<float>(base.greenF() * (1 - kTint)),
                            static_cast<float>(base.blueF() * (1 - kTint)));
}

QString GroupedNumber(std::uint64_t count) {
    QString digits = QString::number(count);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3) {
        digits.insert(at, QLatin1Char(','));
    }
    return digits;
}

SearchGroup::SearchGroup(TraceListView& list, const TraceContext& context, QWidget* parent)
    : QWidget(parent), list_(list), model_(*list.traceModel()), context_(context) {
    buildControls();
    connect(&context_, &TraceContext::ldfChanged, this, &SearchGroup::applyLdf);
    typingPause_.setSingleShot(true);
    typingPause_.setInterval(kTypingPauseMs);
    connect(&typingPause_, &QTimer::timeout, this, &SearchGroup::applyQuery);
    connect(field_, &QLineEdit::textEdited, this, [this] { typingPause_.start(); });
    connect(field_, &QLineEdit::returnPressed, this, &SearchGroup::findNext);
    connect(previous_, &QPushButton::clicked, this, &SearchGroup::findPrevious);
    connect(next_, &QPushButton::clicked, this, &SearchGroup::findNext);
    connect(onlyMatches_, &QCheckBox::toggled, this, [this](bool only) {
        applyQuery();
        model_.setShowOnlyMatches(only);
        if (list_.currentIndex().isValid()) {
            showRow(list_.currentIndex());
        }
    });
    // Anywhere in the window, whichever control has the focus.
    auto* next = new QShortcut(QKeySequence(Qt::Key_F3), this, this, &SearchGroup::findNext);
    auto* previous =
        new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this, this, &SearchGroup::findPrevious);
    next->setContext(Qt::WindowShortcut);
    previous->setContext(Qt::WindowShortcut);

    // A load publishes thousands of batches without returning to the event loop: the
    // count is written once it does.
    countPause_.setSingleShot(true);
    countPause_.setInterval(0);
    connect(&countPause_, &QTimer::timeout, this, &SearchGroup::updateCount);
    auto later = [this] { countPause_.start(); };
    connect(&model_, &TraceListModel::matchesChanged, this, later);
    connect(&model_, &TraceListModel::modelReset, this, later);
    connect(&model_, &TraceListModel::rowsInserted, this, later);
    connect(&model_, &TraceListModel::rowsRemoved, this, later);
    connect(list_.selectionModel(), &QItemSelectionModel::currentChanged, this,
            &SearchGroup::currentMoved);
    updateCount();
}

// Only a step names the match it selected; any other move goes back to the totals.
void SearchGroup::currentMoved() {
    if (stepInProgress_ || !stepping_) {
        return;
    }
    stepping_ = false;
    updateCount();
}

SearchGroup::~SearchGroup() = default;

// Three rows: the query; the buttons and the switch; the notice and the count.
void SearchGroup::buildControls() {
    const DialogUnits units(font());
    field_ = new QLineEdit(this);
    field_->setObjectName(QStringLiteral("searchQuery"));
    field_->setPlaceholderText(QStringLiteral("id=3C  data=7F??B2  bad  !err  a word ..."));
    field_->setToolTip(QStringLiteral("Rows that match every term:\n") +
                       QString::fromLatin1(kQueryHelp).trimmed());
    field_->setClearButtonEnabled(true);
    completer_ = new QueryCompleter(*field_);
    previous_ = new QPushButton(QStringLiteral("Find previous"), this);
    previous_->setObjectName(QStringLiteral("findPrevious"));
    previous_->setToolTip(QStringLiteral("Shift+F3"));
    next_ = new QPushButton(QStringLiteral("Find next"), this);
    next_->setObjectName(QStringLiteral("findNext"));
    next_->setToolTip(QStringLiteral("F3, or Return in the query"));
    for (QPushButton* button : {previous_, next_}) {
        button->setAutoDefault(false);  // Return belongs to the query
        button->setFixedHeight(units.y(12));
    }
    onlyMatches_ = new QCheckBox(QStringLiteral("Show only matches"), this);
    onlyMatches_->setObjectName(QStringLiteral("showOnlyMatches"));
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("searchMessage"));
    // A long error is cut at the group's edge rather than pushing the count away; its
    // tip holds all of it.
    message_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("searchCount"));
    count_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(units.x(4));
    grid->setVerticalSpacing(units.y(2));
    // The switch and the count share the right-hand columns, so a long count takes room
    // from the notice (which gives way) and never from the switch.
    grid->addWidget(field_, 0, 0, 1, 4);
    grid->addWidget(previous_, 1, 0);
    grid->addWidget(next_, 1, 1);
    grid->addWidget(onlyMatches_, 1, 2, 1, 2);
    grid->addWidget(message_, 2, 0, 1, 2);
    grid->addWidget(count_, 2, 2, 1, 2);
    grid->setColumnStretch(3, 1);
}

QList<QWidget*> SearchGroup::tabChain() const {
    return {field_, previous_, next_, onlyMatches_};
}

void SearchGroup::applyLdf() {
    const LinDescription& ldf = context_.ldf();
    QStringList frames;
    QStringList signalNames;
    for (const std::string& name : ldf.frameNames()) {
        frames << QString::fromStdString(name);
    }
    for (const std::string& name : ldf.signalNames()) {
        signalNames << QString::fromStdString(name);
    }
    completer_->setNames(frames, signalNames);
    // The model's query reads rows with the LDF before: parsed again, or dropped when
    // the new one rejects it.
    applied_.clear();
    if (!applyQuery() && model_.activeQuery() != nullptr) {
        model_.setQuery(std::nullopt);
        updateCount();
    }
}

bool SearchGroup::showingOnlyMatches() const {
    return model_.showingOnlyMatches();
}

const Query* SearchGroup::activeQuery() const {
    return model_.activeQuery();
}

QString SearchGroup::message() const {
    return message_->text();
}

QString SearchGroup::countText() const {
    return count_->text();
}

void SearchGroup::setQuery(const QString& text) {
    field_->setText(text);
    findNext();
}

void SearchGroup::findIdentifier(int id) {
    setQuery(QStringLiteral("id=") +
             QStringLiteral("%1").arg(id, 2, 16, QLatin1Char('0')).toUpper());
}

const Query* SearchGroup::shownQuery() {
    applyTyping();
    return showingOnlyMatches() ? activeQuery() : nullptr;
}

// What was typed and not yet applied, applied now.
void SearchGroup::applyTyping() {
    if (typingPause_.isActive()) {
        applyQuery();
    }
}

// Hands the field's query to the model unless it holds it already. False when there
// is nothing to search for: an empty field, or a query the parser rejected, whose
// message is shown while the list stays as it was.
bool SearchGroup::applyQuery() {
    typingPause_.stop();
    const QString text = field_->text().trimmed();
    if (text == applied_ && !rejected_) {
        return !text.isEmpty();
    }
    if (text.isEmpty()) {
        model_.setQuery(std::nullopt);
        updateCount();
        applied_.clear();
        markRejected(false);
        showMessage({});
        return false;
    }
    std::string error;
    std::optional<Query> query = Query::parse(text.toStdString(), error, context_.ldf().model());
    if (!query) {
        markRejected(true);
        showMessage(QString::fromStdString(error));
        return false;
    }
    model_.setQuery(std::move(query));
    stepping_ = false;
    updateCount();
    applied_ = text;
    markRejected(false);
    showMessage({});
    return true;
}

// From the current row to the next match in display order; past the last row it
// goes on at the first and says so.
void SearchGroup::find(bool forward) {
    if (!applyQuery()) {
        return;
    }
    const QModelIndex current = list_.currentIndex();
    bool wrapped = false;
    const int row = model_.findMatch(current.isValid() ? current.row() : -1, forward, wrapped);
    if (row < 0) {
        showMessage(QStringLiteral("no match"));
        return;
    }
    const QModelIndex found = model_.index(row, current.isValid() ? current.column() : 0);
    stepInProgress_ = true;
    list_.selectionModel()->setCurrentIndex(
        found, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    stepInProgress_ = false;
    stepping_ = true;
    updateCount();
    showRow(found);
    showMessage(!wrapped  ? QString()
                : forward ? QStringLiteral("wrapped to the top")
                          : QStringLiteral("wrapped to the bottom"));
}

// The view lays out a new row count only later; scrolling before that would stop at
// the old end.
void SearchGroup::showRow(const QModelIndex& index) {
    list_.doItemsLayout();
    list_.scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void SearchGroup::showMessage(const QString& text) {
    message_->setText(text);
    message_->setToolTip(text);
}

void SearchGroup::markRejected(bool rejected) {
    rejected_ = rejected;
    QPalette palette = QWidget::palette();
    if (rejected) {
        palette.setColor(QPalette::Base, rejectedBase(palette));
    }
    field_->setPalette(palette);
    // The error takes the whole line; the count would be the old query's.
    count_->setVisible(!rejected);
    auto* grid = static_cast<QGridLayout*>(layout());
    grid->removeWidget(message_);
    grid->addWidget(message_, 2, 0, 1, rejected ? 4 : 2);
}

void SearchGroup::updateCount() {
    countPause_.stop();
    const std::uint32_t rows = model_.indexCount();
    QString text =
        GroupedNumber(rows) + (rows == 1 ? QStringLiteral(" row") : QStringLiteral(" rows"));
    if (model_.activeQuery() != nullptr) {
        const std::uint32_t number = stepping_ ? model_.matchNumber(list_.currentIndex().row()) : 0;
        text = number != 0 ? QStringLiteral("match %1 of %2")
                                 .arg(GroupedNumber(number), GroupedNumber(model_.matchCount()))
                           : GroupedNumber(model_.matchCount()) + QStringLiteral(" of ") + text;
    }
    if (text != count_->text()) {
        count_->setText(text);
    }
}

}  // namespace daridez
