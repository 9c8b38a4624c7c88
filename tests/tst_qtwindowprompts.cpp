// The window's prompts on Qt's own dialogs, answered from the keyboard as a user would.
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "app/QtWindowPrompts.h"

using namespace daridez;

class TestQtWindowPrompts : public QObject {
    Q_OBJECT

    // Each dialog shown: "title|filters|folder|accept and file mode" or "title|text|icon, buttons".
    QStringList seen_;

    // Records each modal dialog as it shows and types the next keys into it, from its own loop.
    // Each answer closes its dialog at once. The choosers start in the working folder.
    void answer(QStringList keys) {
        seen_.clear();
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [=, this]() mutable {
            if (QWidget* modal = QApplication::activeModalWidget(); modal && !keys.isEmpty()) {
                auto* d = qobject_cast<QFileDialog*>(modal);
                auto* box = qobject_cast<QMessageBox*>(modal);
                seen_ << QStringLiteral("%1|%2|%3")
                             .arg(modal->windowTitle(), d ? d->nameFilters().join(';') + '|' +
                                                                d->directory().absolutePath()
                                                          : box->text())
                             .arg(d ? d->acceptMode() * 10 + d->fileMode()
                                    : box->icon() * 10 + box->buttons().size());
                QTest::keyClicks(d ? d->findChild<QWidget*>(QStringLiteral("fileNameEdit")) : modal,
                                 keys.takeFirst());
            }
        });
        timer->start(10);
    }
    QString chooser(int mode) const {
        return QStringLiteral("%1 file|LIN traces (*.dump);all files (*.*)|%2|%3")
            .arg(mode == 0 ? "save" : "open", QDir::currentPath(), mode == 0 ? "10" : "1");
    }
    QString choose(int mode) {
        return QtWindowPrompts().chooseTraceFile(mode == 0 ? ChooserMode::Save : ChooserMode::Open,
                                                 chooser(mode).section('|', 0, 0), ".",
                                                 "LIN traces (*.dump)|all files (*.*)");
    }

  private slots:
    void savedNameGetsTheSuffixAndIsChosenOnlyAfterConfirmation() {
        const QString path = QDir::current().filePath(QStringLiteral("plain.dump"));
        const QString question =
            "Daridez|" + path + "\nThis file does not exist.\nDo you want to create it?|42";
        // Escape says No and brings the chooser back, with the name; Return takes the default Yes.
        answer({"plain\r", "\x1b", "\r", "\r"});
        QCOMPARE(choose(0), path);
        QCOMPARE(seen_, (QStringList{chooser(0), question, chooser(0), question}));
        QVERIFY(!QFile::exists(path));  // choosing writes nothing
    }

    void openChooserTakesOnlyExistingFilesAndCancelGivesNothing() {
        answer({"\x1b"});
        QCOMPARE(choose(1), QString());
        QCOMPARE(seen_, QStringList{chooser(1)});
    }

    void messageBoxHasTheTitleExclamationAndOk() {
        answer({"\r"});
        QtWindowPrompts().message(QStringLiteral("save error"));
        QCOMPARE(seen_, QStringList{QStringLiteral("Daridez|save error|21")});
    }
};

QTEST_MAIN(TestQtWindowPrompts)
#include "tst_qtwindowprompts.moc"
