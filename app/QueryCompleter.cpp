#include "app/QueryCompleter.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QLineEdit>
#include <QStringListModel>

namespace daridez {

QueryCompleter::QueryCompleter(QLineEdit& field)
    : QObject(&field),
      field_(field),
      completer_(new QCompleter(this)),
      terms_(new QStringListModel(this)) {
    completer_->setModel(terms_);
    completer_->setCaseSensitivity(Qt::CaseInsensitive);
    completer_->setFilterMode(Qt::MatchContains);
    completer_->setCompletionMode(QCompleter::PopupCompletion);
    completer_->setMaxVisibleItems(12);
    completer_->setWidget(&field_);
    completer_->popup()->setObjectName(QStringLiteral("searchCompletions"));
    connect(&field_, &QLineEdit::textEdited, this, &QueryCompleter::wordTyped);
    connect(completer_, qOverload<const QString&>(&QCompleter::activated), this,
            &QueryCompleter::insert);
}

void QueryCompleter::setNames(const QStringList& frames, const QStringList& signalNames) {
    QStringList terms;
    for (const QString& frame : frames) {
        terms << QStringLiteral("frame=") + frame;
    }
    for (const QString& signal : signalNames) {
        terms << QStringLiteral("signal:") + signal;
    }
    terms_->setStringList(terms);
}

QStringList QueryCompleter::terms() const {
    return terms_->stringList();
}

std::pair<int, int> QueryCompleter::currentWord() const {
    const QString text = field_.text();
    const int cursor = field_.cursorPosition();
    int start = cursor;
    while (start > 0 && !text[start - 1].isSpace()) {
        --start;
    }
    return {start, cursor - start};
}

// A negation stays in front of the term it completes.
void QueryCompleter::wordTyped() {
    auto [start, length] = currentWord();
    QString word = field_.text().mid(start, length);
    if (word.startsWith(QLatin1Char('!'))) {
        word.remove(0, 1);
    }
    if (word.isEmpty() || terms_->rowCount() == 0) {
        completer_->popup()->hide();
        return;
    }
    completer_->setCompletionPrefix(word);
    if (completer_->completionCount() == 0) {
        completer_->popup()->hide();
        return;
    }
    completer_->complete();
}

void QueryCompleter::insert(const QString& term) {
    auto [start, length] = currentWord();
    QString text = field_.text();
    const bool negated = length > 0 && text[start] == QLatin1Char('!');
    text.replace(start, length, (negated ? QStringLiteral("!") : QString()) + term);
    field_.setText(text);
    field_.setCursorPosition(start + (negated ? 1 : 0) + static_cast<int>(term.size()));
    emit field_.textEdited(text);  // applied after the typing pause, as typed text is
}

}  // namespace daridez
