#include "app/QtWindowPrompts.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

#include "files/FilePattern.h"

namespace daridez {

namespace {

constexpr int kProgressSteps = 1000;

// The folder and file name the chooser starts with: a location longer than three
// characters that names an existing item is split into its folder and its name.
void initialFolderAndName(const QString& location, QString& folder, QString& name) {
    folder = location.isEmpty() ? QStringLiteral(".") : location;
    name.clear();
    const QFileInfo info(location);
    if (location.size() > 3 && info.exists()) {
        name = info.fileName();
        folder = location.left(location.size() - name.size());
    }
}

// The file an open chooser's answer names: the name as typed when that file exists,
// else the name with the suffix added, else none.
QString resolveOpened(const QString& typed, const QString& suffix) {
    if (QFileInfo(typed).isFile()) {
        return typed;
    }
    const QString completed = typed + QLatin1Char('.') + suffix;
    return !suffix.isEmpty() && QFileInfo(completed).isFile() ? completed : QString();
}

}  // namespace

QtWindowPrompts::QtWindowPrompts(QWidget* parent) : parent_(parent) {}

QtWindowPrompts::~QtWindowPrompts() {
    delete progress_;
}

QString QtWindowPrompts::chooseTraceFile(ChooserMode mode, const QString& title,
                                         const QString& location, const QString& descriptions) {
    const std::string filter = BuildFileFilter(descriptions.toStdString());
    // Each choice shows its description as given and filters with this system's
    // pattern, in a last group of parentheses that the dialog does not show.
    QStringList nameFilters;
    for (const auto& [description, pattern] : SplitFileFilter(filter)) {
        nameFilters << QString::fromStdString(description + " (" + PlatformPattern(pattern) + ")");
    }
    QString folder;
    QString name;
    initialFolderAndName(location, folder, name);
    if (!lastFolder_.isEmpty()) {
        folder = lastFolder_;  // a confirmed choice moves where the next dialog opens
    }

    const bool save = mode == ChooserMode::Save;
    while (true) {
        QFileDialog dialog(parent_);
        if (!title.isEmpty()) {
            dialog.setWindowTitle(title);
        }
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.setNameFilters(nameFilters);
        dialog.setDirectory(QDir(folder).absolutePath());
        if (!name.isEmpty()) {
            dialog.selectFile(name);
        }
        // A name typed without a suffix takes the chosen filter's, so the suffix tells
        // the caller which of several formats was chosen.
        auto suffixOf = [](const QString& selected) {
            return QString::fromStdString(DefaultSuffix(ExtractPattern(selected.toStdString())));
        };
        // Opening, the name as typed comes first (resolveOpened): the dialog adds no suffix.
        if (save) {
            dialog.setDefaultSuffix(suffixOf(nameFilters.value(0)));
            QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                             [&dialog, suffixOf](const QString& selected) {
                                 dialog.setDefaultSuffix(suffixOf(selected));
                             });
        }
        dialog.setOption(QFileDialog::ReadOnly, false);
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return {};
        }
        QString path = QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
        if (!save) {
            const QString typed = path;
            path = resolveOpened(typed, suffixOf(dialog.selectedNameFilter()));
            if (path.isEmpty()) {
                QMessageBox::warning(parent_, dialog.windowTitle(),
                                     typed + QStringLiteral("\nFile not found.\nPlease verify "
                                                            "the correct file name was given."));
                folder = QFileInfo(typed).absolutePath();
                name = QFileInfo(typed).fileName();
                continue;
            }
        }
        if (save && QFileInfo(path).exists() && !QFileInfo(path).isWritable()) {
            message(path + QStringLiteral("\nThis file is set to read-only.\nTry again with a "
                                          "different file name."));
            continue;
        }
        if (save && !QFileInfo::exists(path) && !confirmCreate(path)) {
            folder = QFileInfo(path).absolutePath();
            name = QFileInfo(path).fileName();
            continue;
        }
        lastFolder_ = QFileInfo(path).absolutePath();
        return path;
    }
}

bool QtWindowPrompts::confirmCreate(const QString& path) {
    const auto answer = QMessageBox::question(
        parent_, QString::fromLatin1(kTitle),
        path + QStringLiteral("\nThis file does not exist.\nDo you want to create it?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    return answer == QMessageBox::Yes;
}

void QtWindowPrompts::message(const QString& text) {
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kTitle), text, QMessageBox::Ok,
                    parent_);
    box.exec();
}

void QtWindowPrompts::notify(const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Warning, QString::fromLatin1(kTitle), text,
                                QMessageBox::Ok, parent_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

QString QtWindowPrompts::chooseFolder(const QString& title, const QString& location) {
    return QFileDialog::getExistingDirectory(parent_, title, location);
}

int QtWindowPrompts::choose(const QString& text, const QStringList& buttons) {
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(kTitle), text, QMessageBox::NoButton,
                    parent_);
    QList<QAbstractButton*> added;
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        const bool last = i + 1 == buttons.size();
        added << box.addButton(buttons[i],
                               last ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
    }
    if (!added.isEmpty()) {
        box.setDefaultButton(qobject_cast<QPushButton*>(added.constFirst()));
        box.setEscapeButton(added.constLast());
    }
    box.exec();
    return static_cast<int>(added.indexOf(box.clickedButton()));
}

void QtWindowPrompts::beginProgress(std::uint64_t total) {
    delete progress_;
    progressScale_ = total / kProgressSteps + 1;
    progress_ = new QProgressDialog(QStringLiteral("loading trace ..."), QStringLiteral("Cancel"),
                                    0, static_cast<int>(total / progressScale_), parent_);
    progress_->setWindowTitle(QString::fromLatin1(kTitle));
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setMinimumDuration(0);
    progress_->setValue(0);
}

bool QtWindowPrompts::progress(std::uint64_t done) {
    if (progress_ == nullptr) {
        return true;
    }
    progress_->setValue(static_cast<int>(done / progressScale_));
    return !progress_->wasCanceled();
}

void QtWindowPrompts::endProgress() {
    delete progress_;
    progress_ = nullptr;
}

}  // namespace daridez
