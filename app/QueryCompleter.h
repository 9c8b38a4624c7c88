#pragma once

#include <QObject>
#include <QStringList>

class QCompleter;
class QLineEdit;
class QStringListModel;

namespace daridez {

// The completion list of the search field: the LDF's frames and signals as the terms
// that name them ("frame=RLS_Status", "signal:AmbientLight"), offered for the word at
// the cursor as it is typed (any part of the name matches, case ignored); choosing one
// replaces that word.
class QueryCompleter : public QObject {
    Q_OBJECT

  public:
    explicit QueryCompleter(QLineEdit& field);

    void setNames(const QStringList& frames, const QStringList& signalNames);
    QStringList terms() const;
    QCompleter* completer() const { return completer_; }

  private:
    void wordTyped();
    void insert(const QString& term);
    // The word under the cursor: its start and length in the field's text.
    std::pair<int, int> currentWord() const;

    QLineEdit& field_;
    QCompleter* completer_;
    QStringListModel* terms_;
};

}  // namespace daridez
