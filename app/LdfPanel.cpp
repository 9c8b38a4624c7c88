#include "app/LdfPanel.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/WindowPrompts.h"
#include "serial/Profile.h"

namespace daridez {

const char* const kLdfDescriptions = "LIN descriptions (*.ldf)|all files (*.*)";

namespace {

QString fileName(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).fileName();
}

QString count(int n, const char* word) {
    return QStringLiteral("%1 %2%3").arg(n).arg(QLatin1String(word),
                                                n == 1 ? QString() : QStringLiteral("s"));
}

// The diagnostics window: one line each; a double click copies the line.
void showList(QWidget* parent, const QString& title, const QStringList& lines) {
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setObjectName(QStringLiteral("ldfDiagnostics"));
    auto* list = new QListWidget(&dialog);
    list->addItems(lines.isEmpty() ? QStringList{QStringLiteral("no diagnostics")} : lines);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, [](QListWidgetItem* item) {
        QApplication::clipboard()->setText(item->text());
    });
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(list);
    dialog.resize(640, 280);
    dialog.exec();
}

}  // namespace

LdfPanel::LdfPanel(WindowPrompts& prompts, Profile& profile, QLabel& label, QWidget* parent)
    : QObject(parent), prompts_(prompts), profile_(profile), parent_(parent), label_(&label) {
    label_->setTextFormat(Qt::RichText);
    connect(label_, &QLabel::linkActivated, this, &LdfPanel::showDiagnostics);
    label_->installEventFilter(this);  // a new width elides the summary anew
    showSummary();
}

void LdfPanel::choose() {
    const QString start =
        path().empty() ? QStringLiteral(".") : QFileInfo(QString::fromStdString(path())).path();
    const QString chosen = prompts_.chooseTraceFile(ChooserMode::Open, QStringLiteral("open LDF"),
                                                    start, QString::fromLatin1(kLdfDescriptions));
    if (!chosen.isEmpty()) {
        load(chosen.toStdString());
    }
}

void LdfPanel::forget() {
    profile_.WriteProfileString(kSection, kKey, "");
    diagnostics_.clear();
    if (ldf_.model() == nullptr) {
        return;
    }
    ldf_ = {};
    showSummary();
    emit ldfChanged();
}

bool LdfPanel::load(const std::string& path, bool told) {
    LinDescription read = LinDescription::read(path);
    diagnostics_.clear();
    for (const std::string& line : read.diagnostics()) {
        diagnostics_ << QString::fromStdString(line);
    }
    diagnosticsOf_ = fileName(path);
    if (!read.usable()) {
        // The first error says why; without one, the file names no frame.
        QString why = QStringLiteral("it names no frame");
        for (const QString& line : diagnostics_) {
            if (line.contains(QStringLiteral(": error: "))) {
                why = line;
                break;
            }
        }
        if (told) {
            const QString stays =
                ldf_.model() != nullptr
                    ? QStringLiteral("\nThe LDF %1 stays.").arg(fileName(this->path()))
                    : QString();
            prompts_.message(QStringLiteral("The LDF %1 cannot be used:\n%2%3")
                                 .arg(QString::fromStdString(path), why, stays));
        }
        notUsed_ = diagnosticsOf_ + QStringLiteral(" not used");
        showSummary();
        return false;
    }
    notUsed_.clear();
    ldf_ = std::move(read);
    profile_.WriteProfileString(kSection, kKey, path);
    showSummary();
    emit ldfChanged();
    return true;
}

void LdfPanel::restore() {
    const std::string path = profile_.GetProfileString(kSection, kKey, "");
    if (!path.empty()) {
        load(path, false);
    }
}

QString LdfPanel::summaryText() const {
    if (ldf_.model() == nullptr) {
        return {};
    }
    return fileName(path()) + QStringLiteral(": ") + QString::fromStdString(ldf_.shortSummary());
}

// The summary, then links to the diagnostics: the counts, and a file just rejected. The
// summary gives way (its end is elided) so that the links always show whole.
void LdfPanel::showSummary() {
    QStringList counts;
    if (ldf_.errors() > 0) {
        counts << count(ldf_.errors(), "error");
    }
    if (ldf_.warnings() > 0) {
        counts << count(ldf_.warnings(), "warning");
    }
    QStringList links;
    if (!counts.isEmpty()) {
        links << counts.join(QStringLiteral(", "));
    }
    if (!notUsed_.isEmpty()) {
        links << notUsed_;
    }
    const QFontMetrics metrics = label_->fontMetrics();
    int room = label_->contentsRect().width();
    QString linkText;
    for (const QString& link : links) {
        room -= metrics.horizontalAdvance(QLatin1Char(' ') + link);
        linkText += QStringLiteral(" <a href=\"d\">%1</a>").arg(link.toHtmlEscaped());
    }
    label_->setText(
        metrics.elidedText(summaryText(), Qt::ElideRight, std::max(room, 0)).toHtmlEscaped() +
        linkText);
    label_->setToolTip(ldf_.model() != nullptr
                           ? QString::fromStdString(path() + "\n" + ldf_.summary())
                           : QString());
}

bool LdfPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == label_ && event->type() == QEvent::Resize) {
        showSummary();
    }
    return QObject::eventFilter(watched, event);
}

void LdfPanel::showDiagnostics() {
    showList(parent_, QStringLiteral("LDF diagnostics: %1").arg(diagnosticsOf_), diagnostics_);
}

}  // namespace daridez
