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

#include "app/TraceContext.h"
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

// A diagnostic without its file's path ("12:5: warning: ..."): the window names the file
// once above its lines.
QString withoutPath(const QString& line, const QString& path) {
    const QString prefix = path + QLatin1Char(':');
    return line.startsWith(prefix) ? line.mid(prefix.size()) : line;
}

// The diagnostics window: the path above, then one diagnostic each, long ones wrapped; a
// double click copies the whole diagnostic, path included.
void showList(QWidget* parent, const QString& path, const QStringList& lines) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("LDF diagnostics: %1").arg(QFileInfo(path).fileName()));
    dialog.setObjectName(QStringLiteral("ldfDiagnostics"));
    auto* file = new QLabel(&dialog);
    file->setObjectName(QStringLiteral("ldfDiagnosticsPath"));
    file->setText(path);
    file->setWordWrap(true);
    file->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("ldfDiagnosticsList"));
    list->setWordWrap(true);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setResizeMode(QListView::Adjust);
    if (lines.isEmpty()) {
        list->addItem(QStringLiteral("no diagnostics"));
    }
    for (const QString& line : lines) {
        auto* item = new QListWidgetItem(withoutPath(line, path), list);
        item->setData(Qt::UserRole, line);
    }
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, [](QListWidgetItem* item) {
        const QString whole = item->data(Qt::UserRole).toString();
        QApplication::clipboard()->setText(whole.isEmpty() ? item->text() : whole);
    });
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(file);
    layout->addWidget(list);
    dialog.resize(640, 280);
    dialog.exec();
}

}  // namespace

LdfPanel::LdfPanel(WindowPrompts& prompts, Profile& profile, TraceContext& context, QLabel& label,
                   QWidget* parent)
    : QObject(parent),
      prompts_(prompts),
      profile_(profile),
      context_(context),
      parent_(parent),
      label_(&label) {
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

const LinDescription& LdfPanel::ldf() const {
    return context_.ldf();
}

// Also forgets a file just rejected: its "not used" link goes.
void LdfPanel::forget() {
    profile_.WriteProfileString(kSection, kKey, "");
    diagnostics_.clear();
    notUsed_.clear();
    const bool hadLdf = ldf().model() != nullptr;
    if (hadLdf) {
        context_.setLdf({});
    }
    showSummary();
}

bool LdfPanel::load(const std::string& path, bool told) {
    LinDescription read = LinDescription::read(path);
    diagnostics_.clear();
    for (const std::string& line : read.diagnostics()) {
        diagnostics_ << QString::fromStdString(line);
    }
    diagnosticsOf_ = QString::fromStdString(path);
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
                ldf().model() != nullptr
                    ? QStringLiteral("\nThe LDF %1 stays.").arg(fileName(this->path()))
                    : QString();
            prompts_.message(QStringLiteral("The LDF %1 cannot be used:\n%2%3")
                                 .arg(QString::fromStdString(path), why, stays));
        }
        notUsed_ = fileName(path) + QStringLiteral(" not used");
        showSummary();
        return false;
    }
    notUsed_.clear();
    profile_.WriteProfileString(kSection, kKey, path);
    context_.setLdf(std::move(read));
    showSummary();
    return true;
}

void LdfPanel::restore() {
    const std::string path = profile_.GetProfileString(kSection, kKey, "");
    if (!path.empty()) {
        load(path, false);
    }
}

QString LdfPanel::summaryText() const {
    if (ldf().model() == nullptr) {
        return {};
    }
    return fileName(path()) + QStringLiteral(": ") + QString::fromStdString(ldf().shortSummary());
}

// The summary, then links to the diagnostics: the counts, and a file just rejected. The
// summary gives way (its middle is elided, so the file's name starts it and the frame
// count ends it) so that the links always show whole; the tool tip has it all.
void LdfPanel::showSummary() {
    QStringList counts;
    const LinDescription& ldf = this->ldf();
    if (ldf.errors() > 0) {
        counts << count(ldf.errors(), "error");
    }
    if (ldf.warnings() > 0) {
        counts << count(ldf.warnings(), "warning");
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
        metrics.elidedText(summaryText(), Qt::ElideMiddle, std::max(room, 0)).toHtmlEscaped() +
        linkText);
    // The label's whole text first, then the file and all the summary says.
    label_->setToolTip(ldf.model() != nullptr
                           ? summaryText() + QLatin1Char('\n') +
                                 QString::fromStdString(path() + "\n" + ldf.summary())
                           : QString());
}

bool LdfPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == label_ && event->type() == QEvent::Resize) {
        showSummary();
    }
    return QObject::eventFilter(watched, event);
}

void LdfPanel::showDiagnostics() {
    showList(parent_, diagnosticsOf_, diagnostics_);
}

}  // namespace daridez
