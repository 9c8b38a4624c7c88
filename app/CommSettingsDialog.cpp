#include "app/CommSettingsDialog.h"

#include "app/DialogUnits.h"
#include "serial/PortList.h"
#include "serial/SerialChoices.h"
#include "serial/SerialSettings.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyleOptionButton>
#include <QTreeView>
#include <algorithm>

namespace daridez {

namespace {

enum class Kind { Radio, Button, DefaultButton, GroupBox };

// One control of the dialog, in creation order, which is also the tab order.
struct Control {
    const char* name;  // the object name (nullptr: "baud" and the rate of a rate button)
    Kind kind;
    const char* caption;
    int group;  // radio buttons only
    int index;  // radio buttons only
    int x, y, width, height;
};

constexpr int kNoGroup = -1;

// clang-format off
constexpr Control kControls[] = {
    {nullptr, Kind::Radio, kSerialRates[0].caption, CommSettingsDialog::BaudGroup, 0, 10, 15, 35, 12},
    {nullptr, Kind::Radio, kSerialRates[1].caption, CommSettingsDialog::BaudGroup, 1, 60, 15, 35, 12},
    {nullptr, Kind::Radio, kSerialRates[2].caption, CommSettingsDialog::BaudGroup, 2, 100, 15, 35, 12},
    {nullptr, Kind::Radio, kSerialRates[3].caption, CommSettingsDialog::BaudGroup, 3, 10, 25, 35, 12},
    {nullptr, Kind::Radio, kSerialRates[4].caption, CommSettingsDialog::BaudGroup, 4, 60, 25, 35, 12},
    {nullptr, Kind::Radio, kSerialRates[5].caption, CommSettingsDialog::BaudGroup, 5, 100, 25, 40, 12},
    {nullptr, Kind::Radio, kSerialRates[6].caption, CommSettingsDialog::BaudGroup, 6, 10, 35, 35, 12},
    {nullptr, Kind::Radio, kSerialRates[7].caption, CommSettingsDialog::BaudGroup, 7, 60, 35, 35, 12},
    {nullptr, Kind::Radio, kSerialRates[8].caption, CommSettingsDialog::BaudGroup, 8, 100, 35, 35, 12},
    {nullptr, Kind::Radio, kSerialRates[9].caption, CommSettingsDialog::BaudGroup, 9, 10, 45, 40, 12},
    {nullptr, Kind::Radio, kSerialRates[10].caption, CommSettingsDialog::BaudGroup, 10, 60, 45, 35, 12},
    {nullptr, Kind::Radio, kSerialRates[11].caption, CommSettingsDialog::BaudGroup, 11, 100, 45, 35, 12},
    {nullptr, Kind::Radio, kSerialRates[12].caption, CommSettingsDialog::BaudGroup, 12, 10, 55, 40, 12},
    {nullptr, Kind::Radio, kSerialRates[13].caption, CommSettingsDialog::BaudGroup, 13, 60, 55, 40, 12},
    {nullptr, Kind::Radio, kSerialRates[14].caption, CommSettingsDialog::BaudGroup, 14, 100, 55, 40, 12},
    {"parityEven", Kind::Radio, kParityWords[0].word, CommSettingsDialog::ParityGroup, 0, 11, 88, 28, 12},
    {"parityOdd", Kind::Radio, kParityWords[1].word, CommSettingsDialog::ParityGroup, 1, 57, 88, 28, 12},
    {"parityNone", Kind::Radio, kParityWords[2].word, CommSettingsDialog::ParityGroup, 2, 101, 88, 28, 12},
    {"stopBits1", Kind::Radio, "1 bit", CommSettingsDialog::StopBitsGroup, 0, 11, 117, 28, 12},
    {"stopBits2", Kind::Radio, "2 bit", CommSettingsDialog::StopBitsGroup, 1, 41, 117, 28, 12},
    {"dataBits7", Kind::Radio, "7 bit", CommSettingsDialog::DataBitsGroup, 0, 87, 117, 28, 12},
    {"dataBits8", Kind::Radio, "8 bit", CommSettingsDialog::DataBitsGroup, 1, 117, 117, 28, 12},
    {"com1", Kind::Radio, "Com1", CommSettingsDialog::PortGroup, 0, 10, 150, 32, 12},
    {"com2", Kind::Radio, "Com2", CommSettingsDialog::PortGroup, 1, 44, 150, 30, 12},
    {"com3", Kind::Radio, "Com3", CommSettingsDialog::PortGroup, 2, 77, 150, 30, 12},
    {"com4", Kind::Radio, "Com4", CommSettingsDialog::PortGroup, 3, 112, 150, 30, 12},
    {"cancelButton", Kind::Button, "Cancel", kNoGroup, 0, 80, 170, 30, 10},
    {"okButton", Kind::DefaultButton, "Ok", kNoGroup, 0, 115, 170, 30, 10},
    {"baudRateGroup", Kind::GroupBox, "Baud rate", kNoGroup, 0, 5, 5, 140, 65},
    {"dataBitsGroup", Kind::GroupBox, "Data bits", kNoGroup, 0, 81, 107, 65, 25},
    {"parityGroup", Kind::GroupBox, "Parity", kNoGroup, 0, 5, 75, 141, 28},
    {"stopBitsGroup", Kind::GroupBox, "Stop bits", kNoGroup, 0, 7, 107, 65, 25},
    {"portGroup", Kind::GroupBox, "Port", kNoGroup, 0, 7, 136, 140, 28},
};
// clang-format on

constexpr int kDialogWidth = 152;
// Below the radio groups, in dialog units: a group with one line per port number and the
// editor of the selected number's device under them.
constexpr int kDevicesTop = 184;
constexpr int kDeviceRowTop = kDevicesTop + 13;
constexpr int kDeviceRowHeight = 9;
constexpr int kDeviceEditTop = kDeviceRowTop + 4 * kDeviceRowHeight + 2;
constexpr int kDevicesHeight = kDeviceEditTop + 12 + 4 - kDevicesTop;
constexpr int kDialogHeight = kDevicesTop + kDevicesHeight + 4;

QWidget* makeControl(const Control& control, QWidget* parent) {
    const QString caption = QString::fromLatin1(control.caption);
    switch (control.kind) {
        case Kind::Radio:
            return new QRadioButton(caption, parent);
        case Kind::Button:
        case Kind::DefaultButton: {
            auto* button = new QPushButton(caption, parent);
            button->setAutoDefault(true);  // Return presses the focused button
            button->setDefault(control.kind == Kind::DefaultButton);
            return button;
        }
        case Kind::GroupBox:
            return new QGroupBox(caption, parent);
    }
    return nullptr;
}

// Selects the button with the given id of an exclusive group, or none at all. An
// exclusive group refuses to clear its checked button, so exclusivity is lifted
// while the buttons are set.
void selectInGroup(QButtonGroup* group, int index) {
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons()) {
        button->setChecked(group->id(button) == index);
    }
    group->setExclusive(true);
}

int stopBitsIndex(std::uint8_t stopBits) {
    if (stopBits == kOneStopBit) {
        return 0;
    }
    return stopBits == kTwoStopBits ? 1 : -1;
}

int parityIndex(std::uint8_t parity) {
    for (std::size_t i = 0; i < kParityWords.size(); ++i) {
        if (kParityWords[i].parity == parity) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int baudIndex(std::uint32_t rate) {
    for (std::size_t i = 0; i < kSerialRates.size(); ++i) {
        if (kSerialRates[i].rate == rate) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace

CommSettingsDialog::CommSettingsDialog(const SerialSettings& settings, const PortPaths& portPaths,
                                       QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      settings_(settings),
      shownPaths_(portPaths),
      editedPaths_(shownPaths_) {
    setWindowTitle(QStringLiteral("Communications Settings"));
    setFont(DialogUnits::dialogFont("MS Sans Serif", 8));
    setModal(true);
    createControls();
    createDeviceControls();
    listDevices();
    connect(groups_[PortGroup], &QButtonGroup::idToggled, this,
            &CommSettingsDialog::showSelectedPortPath);
    connect(deviceEdit_, &QComboBox::editTextChanged, this,
            &CommSettingsDialog::editSelectedPortPath);
    showPaths();
    indicesFromRecord();
    showIndices();
    showSelectedPortPath();
}

CommSettingsDialog::~CommSettingsDialog() = default;

void CommSettingsDialog::createControls() {
    const DialogUnits units(font());
    const QSize size = units.size(kDialogWidth, kDialogHeight);
    setFixedSize(std::max(size.width(), TitleFitWidth(*this)), size.height());
    if (parentWidget() != nullptr) {
        move(parentWidget()->mapToGlobal(QPoint(units.x(61), units.y(26))));
    }
    for (int g = 0; g < kGroupCount; ++g) {
        groups_[g] = new QButtonGroup(this);
        groups_[g]->setExclusive(true);
    }
    QWidget* previous = nullptr;
    for (const Control& control : kControls) {
        QWidget* widget = makeControl(control, this);
        widget->setObjectName(
            control.name != nullptr
                ? QString::fromLatin1(control.name)
                : QStringLiteral("baud%1").arg(kSerialRates[std::size_t(control.index)].rate));
        widget->setGeometry(units.rect(control.x, control.y, control.width, control.height));
        if (control.kind == Kind::GroupBox) {
            // Frames only: they sit below the buttons so clicks reach the buttons.
            widget->setFocusPolicy(Qt::NoFocus);
            widget->lower();
            continue;
        }
        if (control.kind == Kind::Radio) {
            groups_[control.group]->addButton(static_cast<QRadioButton*>(widget), control.index);
            widenToCaption(*static_cast<QRadioButton*>(widget));
        }
        if (control.kind == Kind::Button) {
            connect(static_cast<QPushButton*>(widget), &QPushButton::clicked, this,
                    &QDialog::reject);
        } else if (control.kind == Kind::DefaultButton) {
            connect(static_cast<QPushButton*>(widget), &QPushButton::clicked, this,
                    &CommSettingsDialog::accept);
        }
        if (previous != nullptr) {
            setTabOrder(previous, widget);
        }
        previous = widget;
    }
}

// A caption a pixel or two wider than its place in some fonts takes the room it needs
// from the gap beside it rather than being cut.
void CommSettingsDialog::widenToCaption(QRadioButton& button) {
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    const int room =
        button.style()->subElementRect(QStyle::SE_RadioButtonContents, &option, &button).width();
    const int missing = button.fontMetrics().horizontalAdvance(button.text()) - room;
    if (missing > 0) {
        button.resize(button.width() + missing, button.height());
    }
}

void CommSettingsDialog::createDeviceControls() {
    const DialogUnits units(font());
    auto* group = new QGroupBox(QStringLiteral("Port devices"), this);
    group->setObjectName(QStringLiteral("portDevicesGroup"));
    group->setGeometry(units.rect(7, kDevicesTop, 140, kDevicesHeight));
    group->setFocusPolicy(Qt::NoFocus);
    group->lower();
    for (int i = 0; i < 4; ++i) {
        const int top = kDeviceRowTop + i * kDeviceRowHeight;
        numberLabels_[i] = new QLabel(QStringLiteral("Com%1").arg(i + 1), this);
        numberLabels_[i]->setGeometry(units.rect(12, top, 22, kDeviceRowHeight));
        pathLabels_[i] = new QLabel(this);
        pathLabels_[i]->setObjectName(QStringLiteral("com%1Path").arg(i + 1));
        pathLabels_[i]->setGeometry(units.rect(34, top, 108, kDeviceRowHeight));
    }
    deviceEdit_ = new QComboBox(this);
    deviceEdit_->setObjectName(QStringLiteral("deviceEdit"));
    deviceEdit_->setGeometry(units.rect(12, kDeviceEditTop, 130, 12));
    deviceEdit_->setEditable(true);
    deviceEdit_->setInsertPolicy(QComboBox::NoInsert);  // the text is the path, not a new item
}

// The devices present, once per dialog: each device, then its stable by-id name.
void CommSettingsDialog::listDevices() {
    auto* model = new QStandardItemModel(0, 2, deviceEdit_);
    const auto addRow = [model](const std::string& path, const QString& about) {
        model->appendRow(
            {new QStandardItem(QString::fromStdString(path)), new QStandardItem(about)});
    };
    for (const PortList::Entry& device : PortList::available()) {
        addRow(device.path, QString::fromStdString(device.description));
        if (!device.byIdPath.empty()) {
            addRow(device.byIdPath,
                   QStringLiteral("stable name of %1").arg(QString::fromStdString(device.path)));
        }
    }
    if (model->rowCount() == 0) {
        addRow({}, QStringLiteral("no serial devices found: type a path"));
        model->item(0, 0)->setFlags(Qt::NoItemFlags);
        model->item(0, 1)->setFlags(Qt::NoItemFlags);
    }
    auto* view = new QTreeView(deviceEdit_);
    view->setHeaderHidden(true);
    view->setRootIsDecorated(false);
    view->setAllColumnsShowFocus(true);
    deviceEdit_->setModel(model);
    deviceEdit_->setView(view);
    // Wide enough for the longest path and description, however narrow the editor.
    int width = 2 * view->frameWidth() + view->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < 2; ++column) {
        view->resizeColumnToContents(column);
        width += view->columnWidth(column);
    }
    view->setMinimumWidth(width);
}

// Each number's path in its line and its button's tool tip; the selected number's line
// stands out, as the one the editor changes.
void CommSettingsDialog::showPaths() {
    const int selected = groups_[PortGroup]->checkedId();
    for (int i = 0; i < 4; ++i) {
        QFont weight = font();
        weight.setBold(i == selected);
        numberLabels_[i]->setFont(weight);
        QLabel* label = pathLabels_[i];
        label->setFont(weight);  // before eliding: bold text is wider
        const QString path = QString::fromStdString(editedPaths_.path(i + 1));
        label->setText(label->fontMetrics().elidedText(path, Qt::ElideMiddle, label->width()));
        label->setToolTip(path);
        groups_[PortGroup]->button(i)->setToolTip(path);
    }
}

void CommSettingsDialog::showSelectedPortPath() {
    const int selected = groups_[PortGroup]->checkedId();
    const QSignalBlocker quiet(deviceEdit_);
    deviceEdit_->setEnabled(selected >= 0);
    const QString path =
        selected >= 0 ? QString::fromStdString(editedPaths_.path(selected + 1)) : QString();
    deviceEdit_->setCurrentIndex(deviceEdit_->findText(path));  // the popup opens on it
    deviceEdit_->setEditText(path);
    showPaths();
}

// Every keystroke: the path only, no enumeration. An emptied editor means the device the
// number had when the dialog opened, never an empty path.
void CommSettingsDialog::editSelectedPortPath(const QString& text) {
    const int number = groups_[PortGroup]->checkedId() + 1;
    const QString path = text.trimmed();
    editedPaths_.setPath(number, path.isEmpty() ? shownPaths_.path(number) : path.toStdString());
    showPaths();
}

void CommSettingsDialog::indicesFromRecord() {
    indices_[StopBitsGroup] = stopBitsIndex(settings_.StopBits);
    indices_[ParityGroup] = parityIndex(settings_.Parity);
    indices_[BaudGroup] = baudIndex(settings_.BaudRate);
    indices_[PortGroup] =
        settings_.ComPort >= 1 && settings_.ComPort <= 4 ? settings_.ComPort - 1 : -1;
    indices_[DataBitsGroup] = settings_.ByteSize == 7 ? 0 : settings_.ByteSize == 8 ? 1 : -1;
}

void CommSettingsDialog::showIndices() {
    for (int g = 0; g < kGroupCount; ++g) {
        selectInGroup(groups_[g], indices_[g]);
    }
}

void CommSettingsDialog::takeIndices() {
    for (int g = 0; g < kGroupCount; ++g) {
        indices_[g] = groups_[g]->checkedId();
    }
}

void CommSettingsDialog::writeRecord() {
    settings_.StopBits = indices_[StopBitsGroup] == 1 ? kTwoStopBits : kOneStopBit;
    const int parity = indices_[ParityGroup];
    const bool parityKnown = parity >= 0 && parity < static_cast<int>(kParityWords.size());
    settings_.Parity =
        parityKnown ? kParityWords[static_cast<std::size_t>(parity)].parity : kNoParity;
    const int baud = indices_[BaudGroup];
    const bool baudKnown = baud >= 0 && baud < static_cast<int>(kSerialRates.size());
    settings_.BaudRate = baudKnown ? kSerialRates[static_cast<std::size_t>(baud)].rate : 9600;
    const int port = indices_[PortGroup];
    settings_.ComPort = port >= 0 && port <= 3 ? port + 1 : 2;
    settings_.ByteSize = indices_[DataBitsGroup] == 0 ? 7 : 8;
}

void CommSettingsDialog::accept() {
    takeIndices();
    writeRecord();
    QDialog::accept();
}

}  // namespace daridez
