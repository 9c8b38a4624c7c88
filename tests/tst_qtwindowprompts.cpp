// The window's prompts on Qt's own dialogs: the file chooser's title, filters, start
// folder and confirmations, and the OK message box, answered as a user would.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/QtWindowPrompts.h"

using namespace daridez;

namespace {

const QString kDescriptions = QStringLiteral("LIN traces (*.dump)|all files (*.*)");

// Runs action on the next modal dialog of type T, from inside its event loop (queued,
// so that the dialog's own loop is running when the action ends it).
template <typename T>
void onNextModal(std::function<void(T*)> action) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        if (modal != nullptr && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            QMetaObject::invokeMethod(
                modal, [modal, action] { action(modal); }, Qt::QueuedConnection);
        }
    });
    timer->start();
}

// Types the name into the chooser's file name field, as a user does.
void typeFileName(QFileDialog* dialog, const QString& path) {
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit != nullptr);
    edit->setText(path);
}

void answerQuestion(QMessageBox::StandardButton answer, QString* text = nullptr) {
    onNextModal<QMessageBox>([answer, text](QMessageBox* box) {
        if (text != nullptr) {
            *text = box->text();
        }
        box->button(answer)->click();
    });
}

}  // namespace

class TestQtWindowPrompts : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void saveChooserOffersTheTwoFiltersInTheWorkingDirectory();
    void newFileIsCreatedOnlyAfterConfirmation();
    void existingFileIsReplacedOnlyAfterConfirmation();
    void openChooserCancelledGivesNothing();
    void typedNameGetsTheDumpSuffix();
    void messageBoxHasTheTitleExclamationAndOk();

  private:
    QTemporaryDir dir_;
};

void TestQtWindowPrompts::init() {
    QVERIFY(dir_.isValid());
    QVERIFY(QDir::setCurrent(dir_.path()));
}

void TestQtWindowPrompts::saveChooserOffersTheTwoFiltersInTheWorkingDirectory() {
    QtWindowPrompts prompts;
    QString title;
    QStringList filters;
    QString folder;
    QFileDialog::AcceptMode mode{};
    onNextModal<QFileDialog>([&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        folder = dialog->directory().absolutePath();
        mode = dialog->acceptMode();
        dialog->reject();
    });
    QCOMPARE(
        prompts.chooseTraceFile(0, QStringLiteral("save file"), QStringLiteral("."), kDescriptions),
        QString());
    QCOMPARE(title, QStringLiteral("save file"));
    QCOMPARE(filters, (QStringList{QStringLiteral("LIN traces (*.dump)"),
                                   QStringLiteral("all files (*.*)")}));
    QCOMPARE(folder, QDir(dir_.path()).absolutePath());
    QCOMPARE(mode, QFileDialog::AcceptSave);
}

void TestQtWindowPrompts::newFileIsCreatedOnlyAfterConfirmation() {
    QtWindowPrompts prompts;
    const QString path = dir_.filePath(QStringLiteral("new.dump"));
    QString question;
    // First answer No: the chooser comes back, and is cancelled.
    onNextModal<QFileDialog>([&](QFileDialog* dialog) {
        typeFileName(dialog, path);
        onNextModal<QMessageBox>([&](QMessageBox* box) {
            question = box->text();
            box->button(QMessageBox::No)->click();
            onNextModal<QFileDialog>([](QFileDialog* again) { again->reject(); });
        });
        static_cast<QDialog*>(dialog)->accept();
    });
    QCOMPARE(
        prompts.chooseTraceFile(0, QStringLiteral("save file"), QStringLiteral("."), kDescriptions),
        QString());
    QVERIFY(question.contains(QStringLiteral("does not exist")));
    QVERIFY(question.contains(path));

    onNextModal<QFileDialog>([&](QFileDialog* dialog) {
        typeFileName(dialog, path);
        answerQuestion(QMessageBox::Yes);
        static_cast<QDialog*>(dialog)->accept();
    });
    QCOMPARE(
        prompts.chooseTraceFile(0, QStringLiteral("save file"), QStringLiteral("."), kDescriptions),
        path);
    QVERIFY(!QFile::exists(path));  // choosing writes nothing
}

void TestQtWindowPrompts::existingFileIsReplacedOnlyAfterConfirmation() {
    QtWindowPrompts prompts;
    const QString path = dir_.filePath(QStringLiteral("old.dump"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    bool asked = false;
    onNextModal<QFileDialog>([&](QFileDialog* dialog) {
        typeFileName(dialog, path);
        onNextModal<QMessageBox>([&](QMessageBox* box) {
            asked = true;
            box->button(QMessageBox::Yes)->click();
        });
        static_cast<QDialog*>(dialog)->accept();
    });
    QCOMPARE(
        prompts.chooseTraceFile(0, QStringLiteral("save file"), QStringLiteral("."), kDescriptions),
        path);
    QVERIFY(asked);
}

void TestQtWindowPrompts::openChooserCancelledGivesNothing() {
    QtWindowPrompts prompts;
    QString title;
    QFileDialog::FileMode fileMode{};
    onNextModal<QFileDialog>([&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        fileMode = dialog->fileMode();
        dialog->reject();
    });
    QCOMPARE(
        prompts.chooseTraceFile(1, QStringLiteral("open file"), QStringLiteral("."), kDescriptions),
        QString());
    QCOMPARE(title, QStringLiteral("open file"));
    QCOMPARE(fileMode, QFileDialog::ExistingFile);  // only an existing file can be chosen
}

void TestQtWindowPrompts::typedNameGetsTheDumpSuffix() {
    QtWindowPrompts prompts;
    onNextModal<QFileDialog>([&](QFileDialog* dialog) {
        typeFileName(dialog, QStringLiteral("plain"));
        answerQuestion(QMessageBox::Yes);
        static_cast<QDialog*>(dialog)->accept();
    });
    QCOMPARE(
        prompts.chooseTraceFile(0, QStringLiteral("save file"), QStringLiteral("."), kDescriptions),
        dir_.filePath(QStringLiteral("plain.dump")));
}

void TestQtWindowPrompts::messageBoxHasTheTitleExclamationAndOk() {
    QtWindowPrompts prompts;
    QString title;
    QString text;
    QMessageBox::Icon icon{};
    QList<QAbstractButton*> buttons;
    onNextModal<QMessageBox>([&](QMessageBox* box) {
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->buttons();
        box->button(QMessageBox::Ok)->click();
    });
    prompts.message(QStringLiteral("save error"));
    QCOMPARE(title, QStringLiteral("Daridez"));
    QCOMPARE(text, QStringLiteral("save error"));
    QCOMPARE(icon, QMessageBox::Warning);
    QCOMPARE(buttons.size(), 1);
}

QTEST_MAIN(TestQtWindowPrompts)
#include "tst_qtwindowprompts.moc"
