// The window's prompts on Qt's own dialogs, answered from the keyboard as a user would.
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/QtWindowPrompts.h"

using namespace daridez;

class TestQtWindowPrompts : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;  // the working folder, where the choosers start
    // Each dialog shown: "title|filters|choices shown|folder|accept mode" or
    // "title|text|icon, buttons".
    QStringList seen_;
    QTimer timer_;

    // Records each modal dialog as it shows and types the next keys into it, from its own loop.
    // Each answer closes its dialog at once; a dialog beyond the answers is closed unanswered.
    void answer(QStringList keys) {
        seen_.clear();
        timer_.disconnect();
        connect(&timer_, &QTimer::timeout, this, [=, this]() mutable {
            if (QWidget* modal = QApplication::activeModalWidget(); modal && keys.isEmpty()) {
                modal->close();
            } else if (modal) {
                auto* d = qobject_cast<QFileDialog*>(modal);
                auto* box = qobject_cast<QMessageBox*>(modal);
                QStringList shown;
                if (auto* combo = d ? d->findChild<QComboBox*>("fileTypeCombo") : nullptr)
                    for (int i = 0; i < combo->count(); ++i) shown << combo->itemText(i);
                seen_ << QStringLiteral("%1|%2|%3")
                             .arg(modal->windowTitle(), d ? d->nameFilters().join(';') + '|' +
                                                                shown.join(';') + '|' +
                                                                d->directory().absolutePath()
                                                          : box->text())
                             .arg(d ? int(d->acceptMode())
                                    : box->icon() * 10 + box->buttons().size());
                QTest::keyClicks(d ? d->findChild<QWidget*>(QStringLiteral("fileNameEdit")) : modal,
                                 keys.takeFirst());
            }
        });
        timer_.start(10);
    }

  private slots:
    void initTestCase() { QVERIFY(QDir::setCurrent(dir_.path())); }

    // Saving, a name gets the suffix and is chosen only once its creation is confirmed
    // (Escape says No and brings the chooser back; Return takes the default Yes). Opening,
    // the name as typed comes before the name with the suffix. "all files" shows as
    // given and filters with "*", so names without a dot are listed too. A question takes
    // its first button on Return, its last on Escape (the export question's Cancel).
    void eachAnswerGivesItsChoice_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QStringList>(
            "seen");  // the first tells save, open, a message or a question
        auto row = [](const char* tag, const QStringList& files, const QStringList& keys,
                      const QString& chosen, const QStringList& seen) {
            QTest::newRow(tag) << files << keys << chosen << seen;
        };
        const QString filters =
            "LIN traces (*.dump) (*.dump);all files (*.*) (*)|"
            "LIN traces (*.dump);all files (*.*)|" +
            QDir::currentPath();
        const QString save = "save file|" + filters + "|1", open = "open file|" + filters + "|0";
        const QString create = "Daridez|" + QDir::current().filePath("plain.dump") +
                               "\nThis file does not exist.\nDo you want to create it?|42";
        const QString missing =
            "open file|" + QDir::current().filePath("none") +
            "\nFile not found.\nPlease verify the correct file name was given.|21";
        row("save", {}, {"plain\r", "\x1b", "\r", "\r"}, "plain.dump",
            {save, create, save, create});
        row("open, cancelled", {}, {"\x1b"}, "", {open});
        row("open, as typed", {"trace", "trace.dump"}, {"trace\r"}, "trace", {open});
        row("open, the suffix", {"other.dump"}, {"other\r"}, "other.dump", {open});
        row("open, neither", {"none.csv"}, {"none\r", "\r", "\x1b"}, "", {open, missing, open});
        row("message", {}, {"\r"}, "", {"Daridez|save error|21"});
        row("question, Return", {}, {"\r"}, "0", {"Daridez|Which rows?|43"});
        row("question, Escape", {}, {"\x1b"}, "2", {"Daridez|Which rows?|43"});
    }

    void eachAnswerGivesItsChoice() {
        QFETCH(QStringList, files);
        QFETCH(QStringList, keys);
        QFETCH(QString, chosen);
        QFETCH(QStringList, seen);
        for (const QString& name : files) QVERIFY(QFile(name).open(QIODevice::WriteOnly));
        answer(keys);
        const QString title = seen[0].section('|', 0, 0);
        QString result;
        if (seen[0].contains("Which rows?"))
            result = QString::number(
                QtWindowPrompts().choose("Which rows?", {"Matching rows", "All rows", "Cancel"}));
        else if (title == "Daridez")
            QtWindowPrompts().message("save error");
        else
            result = QtWindowPrompts().chooseTraceFile(
                title == "save file" ? ChooserMode::Save : ChooserMode::Open, title, ".",
                "LIN traces (*.dump)|all files (*.*)");
        QCOMPARE(result, chosen.isEmpty() || title == "Daridez" ? chosen
                                                                : QDir::current().filePath(chosen));
        QCOMPARE(seen_, seen);
        QVERIFY(!QFile::exists("plain.dump"));  // choosing writes nothing
    }
};

QTEST_MAIN(TestQtWindowPrompts)
#include "tst_qtwindowprompts.moc"
