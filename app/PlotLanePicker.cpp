#include "app/PlotLanePicker.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ldf/LdfModel.h"
#include "lin/PlotSignal.h"
#include "lin/PlotSource.h"

namespace daridez {

namespace {

QTreeWidgetItem* addChoice(QTreeWidgetItem* parent, const QString& caption, const QString& text) {
    auto* item = new QTreeWidgetItem(parent, QStringList{caption});
    item->setData(0, Qt::UserRole, text);
    return item;
}

// " [lux]" for a signal with a unit, " (texts)" for one drawn as labelled steps.
QString captionOf(const PlotSignal& signal) {
    if (!signal.unit().empty()) {
        return QStringLiteral(" [") + QString::fromStdString(signal.unit()) + QLatin1Char(']');
    }
    return signal.style() == PlotSignal::Style::Steps ? QStringLiteral(" (texts)") : QString();
}

}  // namespace

PlotLanePicker::PlotLanePicker(const std::array<std::uint16_t, 64>& dataLengths,
                               const LdfModel* ldf, QWidget* parent)
    : QDialog(parent), ldf_(ldf) {
    setWindowTitle(QStringLiteral("Add lane"));
    setObjectName(QStringLiteral("plotLanePicker"));
    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("plotLaneTree"));
    tree_->setHeaderHidden(true);
    addSignals();
    addIdentifiers(dataLengths);
    addTiming();
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("plotLaneText"));
    text_->setPlaceholderText(ldf_ != nullptr
                                  ? QStringLiteral("FRAME.SIGNAL, 3C byte 2, 10 period, bus load")
                                  : QStringLiteral("3C byte 2, 21 bits 4..7, 10 period, bus load"));
    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("plotLaneProblem"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &PlotLanePicker::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PlotLanePicker::reject);
    connect(tree_, &QTreeWidget::currentItemChanged, this, &PlotLanePicker::onItemChanged);
    connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this] { accept(); });

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Lane:"), text_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tree_, 1);
    layout->addLayout(form);
    layout->addWidget(problem_);
    layout->addWidget(buttons);
    resize(360, 420);
}

// With an LDF: its unconditional frames, each with the signals a lane can draw
// ("AmbientLight [lux]"; a logical one as "IgnitionState (texts)").
void PlotLanePicker::addSignals() {
    if (ldf_ == nullptr) {
        return;
    }
    auto* top = new QTreeWidgetItem(tree_, QStringList{QStringLiteral("Signals")});
    for (const LdfFrame& frame : ldf_->frames) {
        if (frame.kind != LdfFrame::Kind::Unconditional || frame.id < 0 || frame.id > 0x3F) {
            continue;
        }
        const QString name = QString::fromStdString(frame.name);
        const QString id = QStringLiteral("%1").arg(frame.id, 2, 16, QLatin1Char('0')).toUpper();
        auto* item = new QTreeWidgetItem(top, QStringList{name + " (" + id + ")"});
        PlotSource source;
        source.kind = PlotKind::Signal;
        source.frame = frame.name;
        for (const LdfFrameSignal& placed : frame.layout) {
            source.signal = ldf_->allSignals[static_cast<std::size_t>(placed.signal)].name;
            std::string error;
            if (const auto signal = PlotSignal::resolve(ldf_, source, error)) {
                const QString signalName = QString::fromStdString(source.signal);
                addChoice(item, signalName + captionOf(*signal),
                          name + QLatin1Char('.') + signalName);
            }
        }
    }
    top->setExpanded(true);
}

// Each identifier seen, with the data bytes its frames had, a bit range to edit and the
// period.
void PlotLanePicker::addIdentifiers(const std::array<std::uint16_t, 64>& dataLengths) {
    auto* top = new QTreeWidgetItem(tree_, QStringList{QStringLiteral("Identifiers")});
    for (int id = 0; id < static_cast<int>(dataLengths.size()); ++id) {
        const unsigned lengths = dataLengths[static_cast<std::size_t>(id)];
        if (lengths == 0) {
            continue;
        }
        const QString name = QStringLiteral("%1").arg(id, 2, 16, QLatin1Char('0')).toUpper();
        auto* item = new QTreeWidgetItem(top, QStringList{name});
        int longest = 0;
        for (int n = 1; n < 16; ++n) {
            longest = (lengths >> n) & 1u ? n : longest;
        }
        for (int byte = 0; byte < longest; ++byte) {
            addChoice(item, QStringLiteral("byte %1").arg(byte),
                      name + QStringLiteral(" byte %1").arg(byte));
        }
        if (longest != 0) {
            addChoice(item, QStringLiteral("bits..."), name + QStringLiteral(" bits 0..7"));
        }
        addChoice(item, QStringLiteral("period"), name + QStringLiteral(" period"));
    }
    top->setExpanded(true);
}

void PlotLanePicker::addTiming() {
    auto* top = new QTreeWidgetItem(tree_, QStringList{QStringLiteral("Timing")});
    addChoice(top, QStringLiteral("bus load"), QStringLiteral("bus load"));
    addChoice(top, QStringLiteral("failed checks"), QStringLiteral("failed checks"));
    for (int w = 0; w < static_cast<int>(CheckWord::Count); ++w) {
        const auto word = static_cast<CheckWord>(w);
        if (IsFailure(word)) {
            const QString text = QStringLiteral("failed checks ") + CheckWordText(word);
            addChoice(top, text, text);
        }
    }
    top->setExpanded(true);
}

void PlotLanePicker::onItemChanged(QTreeWidgetItem* item) {
    if (item != nullptr && item->data(0, Qt::UserRole).isValid()) {
        text_->setText(item->data(0, Qt::UserRole).toString());
        problem_->clear();
    }
}

QString PlotLanePicker::laneText() const {
    return text_->text().simplified();
}

void PlotLanePicker::setLaneText(const QString& text) {
    text_->setText(text);
}

// Only a text that names a lane closes the picker; otherwise it says what is wrong.
void PlotLanePicker::accept() {
    std::string error;
    if (!ParsePlotLane(laneText().toStdString(), ldf_, error)) {
        problem_->setText(QString::fromStdString(error));
        return;
    }
    QDialog::accept();
}

}  // namespace daridez
