#include "app/MainControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <optional>

#include "app/AppIcon.h"
#include "app/BaseLayout.h"
#include "app/DialogUnits.h"
#include "app/FindRateButton.h"
#include "app/GroupFrame.h"
#include "app/IdSummaryWindow.h"
#include "app/LdfPanel.h"
#include "app/MainDialog.h"
#include "app/PlotWindow.h"
#include "app/SearchGroup.h"
#include "app/SignalPane.h"
#include "app/TraceFilesActions.h"
#include "lin/LinRates.h"
#include "view/TraceListView.h"

namespace daridez {

namespace {

// MenuEntry: no control, an entry of the window's menu only.
enum class Kind { Button, CheckBox, Label, RightLabel, RateBox, List, Search, Group, MenuEntry };
using Grow = BaseLayout::Grow;

// One control of the window: what it is, where it sits at the window's smallest size (in
// dialog units), how it follows a larger window, what a click does, and whether the
// window's menu offers the click too.
struct ControlRow {
    std::optional<WindowControl> control;  // none: the window never reaches it
    const char* name;                      // the object name
    Kind kind;
    const char* caption;  // the rate box: its rates, '|' between them
    int x, y, width, height;
    Grow grow = Grow::None;
    void (*click)(MainDialog&) = nullptr;
    bool inMenu = false;
    const char* tip = nullptr;
};

void toggleRecording(MainDialog& w) {
    w.fileActions().setRecording(w.controlAs<QCheckBox>(WindowControl::Record).isChecked());
}

// The window's controls in tab order; frames and labels take no focus.
// clang-format off
const ControlRow kControls[] = {
    {WindowControl::Config, "configButton", Kind::Button, "config", 5, 10, 35, 10, Grow::None,
     [](MainDialog& w) { w.onConfig(); }},
    {WindowControl::Connect, "connectButton", Kind::Button, "connect", 50, 10, 35, 10, Grow::None,
     [](MainDialog& w) { w.connectPort(); }},
    {WindowControl::SaveTrace, "saveTraceButton", Kind::Button, "save trace", 105, 10, 50, 10, Grow::None,
     [](MainDialog& w) { w.fileActions().saveTrace(); }},
    {WindowControl::LoadTrace, "loadTraceButton", Kind::Button, "load trace", 160, 10, 50, 10, Grow::None,
     [](MainDialog& w) { w.fileActions().loadTrace(); }},
    {WindowControl::Start, "startButton", Kind::Button, "Start", 5, 35, 25, 10, Grow::None,
     [](MainDialog& w) { w.controller().onStart(); }},
    {WindowControl::Stop, "stopButton", Kind::Button, "Stop", 5, 50, 25, 10, Grow::None,
     [](MainDialog& w) { w.controller().onStop(); }},
    {WindowControl::GetFwVersion, "fwVersionButton", Kind::Button, "Get FW-Version", 40, 35, 60, 10, Grow::None,
     [](MainDialog& w) { w.controller().onGetFwVersion(); }},
    {WindowControl::ClearTraceList, "clearButton", Kind::Button, "clear TraceList", 40, 50, 60, 10,
     Grow::None, [](MainDialog& w) { w.controller().onClearTraceList(); }},
    // Closed, the box is one edit line; open, it lists the LIN rates.
    {WindowControl::LinBaudrate, "linRateBox", Kind::RateBox, "",
     160, 50, 52, 12},
    // "find rate" shares the row: "Set LIN Speed" keeps its place and gives up the right
    // part of its width.
    {WindowControl::SetLinSpeed, "setLinSpeedButton", Kind::Button, "Set LIN Speed", 115, 35, 58, 10, Grow::None,
     [](MainDialog& w) { w.controller().onSetLinSpeed(); }},
    {WindowControl::FindRate, "findRateButton", Kind::Button, FindRateButton::kCaption, 176, 35, 34, 10,
     Grow::None, [](MainDialog& w) { w.controller().onFindRate(); }, false,
     "Try the LIN rates and set the one the bus speaks"},
    {WindowControl::Search, "traceSearch", Kind::Search, "", 229, 8, 223, 41, Grow::Width},
    {WindowControl::TraceList, "traceList", Kind::List, "", 0, 65, 455, 300, Grow::WidthAndHeight},
    {WindowControl::Export, "exportButton", Kind::Button, "export...", 229, 51, 32, 10, Grow::None,
     [](MainDialog& w) { w.fileActions().exportTrace(); }, true,
     "Export the trace for packet analysers (pcapng), spreadsheets (CSV) or other LIN tools (ASC)"},
    {WindowControl::IdSummary, "idSummaryButton", Kind::Button, "ID summary...",
     263, 51, 46, 10, Grow::None, [](MainDialog& w) { w.idSummaryWindow()->showInFront(); }, true},
    {WindowControl::Plot, "plotButton", Kind::Button, "Plot...", 311, 51, 22, 10, Grow::None,
     [](MainDialog& w) { w.plotWindow()->showInFront(); }, true,
     "Plot data bytes, bits, periods and the bus load over trace time"},
    {WindowControl::Ldf, "ldfButton", Kind::Button, "LDF...", 335, 51, 22, 10, Grow::None,
     [](MainDialog& w) { w.ldfPanel().choose(); }, true,
     "Choose the LIN description file (LDF) that names the frames and signals"},
    {std::nullopt, "noLdf", Kind::MenuEntry, "no LDF", 0, 0, 0, 0, Grow::None,
     [](MainDialog& w) { w.ldfPanel().forget(); }, true},
    {WindowControl::LdfLabel, "ldfLabel", Kind::Label, "", 359, 51, 26, 10, Grow::HalfWidth},
    {WindowControl::Record, "recordBox", Kind::CheckBox, "record", 387, 51, 32, 10, Grow::HalfRight,
     toggleRecording, false, "Record every trace to a dump file as it arrives"},
    {WindowControl::RecordLabel, "recordLabel", Kind::Label, "", 421, 51, 30, 10,
     Grow::HalfRightHalfWidth},
    {WindowControl::StatusLine1, "statusLine1", Kind::Label, "Static", 0, 370, 265, 8, Grow::StayAtBottom},
    {WindowControl::StatusLine2, "statusLine2", Kind::Label, "", 270, 370, 185, 8, Grow::StayAtBottomRight},
    {std::nullopt, "linBaudrateLabel", Kind::RightLabel, "LIN-Baudrate:", 105, 50, 53, 8},
    {std::nullopt, "traceComPortGroup", Kind::Group, "Trace COM Port", 0, 0, 95, 25},
    {std::nullopt, "fileMenuGroup", Kind::Group, "File Menu", 100, 0, 120, 25},
    {std::nullopt, "traceCommandsGroup", Kind::Group, "Trace commands", 0, 25, 220, 40},
    {std::nullopt, "traceSearchGroup", Kind::Group, "Trace search", 225, 0, 230, 65, Grow::Width},
};
// clang-format on

QWidget* makeControl(const ControlRow& control, MainDialog& window, TraceListView& list) {
    const QString caption = QString::fromLatin1(control.caption);
    switch (control.kind) {
        case Kind::Button: {
            auto* button = new QPushButton(caption, &window);
            button->setAutoDefault(false);  // Return never presses a button of this window
            return button;
        }
        case Kind::CheckBox:
            return new QCheckBox(caption, &window);
        case Kind::Label:
        case Kind::RightLabel: {
            auto* label = new QLabel(caption, &window);
            label->setAlignment(Qt::AlignVCenter |
                                (control.kind == Kind::Label ? Qt::AlignLeft : Qt::AlignRight));
            return label;
        }
        case Kind::RateBox: {
            auto* box = new QComboBox(&window);
            box->setEditable(true);
            box->setInsertPolicy(QComboBox::NoInsert);  // the list keeps its rates
            for (int rate : kLinRates) {
                box->addItem(QString::number(rate));
            }
            box->setMaxVisibleItems(box->count());
            box->setEditText(QString());
            return box;
        }
        case Kind::List:
            return list.parentWidget();  // the list above the signal pane
        case Kind::Search:
            return new SearchGroup(list, window.context(), &window);
        case Kind::Group:
            return new GroupFrame(caption, &window);
        case Kind::MenuEntry:
            break;
    }
    return nullptr;
}

// The widget itself, or the fields of a group of them, that take the focus by Tab.
QList<QWidget*> tabStops(QWidget* widget) {
    if (auto* search = qobject_cast<SearchGroup*>(widget)) {
        return search->tabChain();
    }
    if (auto* pane = qobject_cast<SignalPane*>(widget)) {
        return pane->tabChain();
    }
    if (auto* area = qobject_cast<QSplitter*>(widget)) {
        QList<QWidget*> stops;
        for (int i = 0; i < area->count(); ++i) {
            stops << tabStops(area->widget(i));
        }
        return stops;
    }
    return widget->focusPolicy() != Qt::NoFocus ? QList<QWidget*>{widget} : QList<QWidget*>{};
}

}  // namespace

WindowControls MainControls::build(MainDialog& window, TraceListView& list, BaseLayout& layout) {
    window.setWindowTitle(QStringLiteral("Daridez"));
    window.setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    window.setWindowIcon(appIcon());
    window.setFont(DialogUnits::dialogFont());
    const DialogUnits units(window.font());
    layout.setMinimumSize(units.size(457, 381));  // also the first size
    window.setMinimumSize(layout.minimumSize());
    window.resize(layout.minimumSize());
    WindowControls controls{};
    QWidget* previous = nullptr;
    for (const ControlRow& c : kControls) {
        QWidget* widget = makeControl(c, window, list);
        if (widget == nullptr) {
            continue;  // a menu entry only
        }
        layout.add(widget, units.rect(c.x, c.y, c.width, c.height), c.grow);
        if (c.kind == Kind::List) {
            ConfigureListSplitter(*static_cast<QSplitter*>(widget));
            widget = &list;  // the control is the list, its pane beside it
        }
        widget->setObjectName(QString::fromLatin1(c.name));
        widget->setToolTip(QString::fromLatin1(c.tip));
        if (c.control) {
            controls[static_cast<std::size_t>(*c.control)] = widget;
        }
        if (c.kind == Kind::Group) {
            widget->lower();  // a frame only: clicks reach the controls inside it
        }
        if (auto* button = qobject_cast<QAbstractButton*>(widget); button && c.click) {
            QObject::connect(button, &QAbstractButton::clicked, &window,
                             [&window, click = c.click] { click(window); });
        }
        if (c.kind == Kind::List) {  // its empty part opens the window's menu
            QObject::connect(&list, &TraceListView::emptyAreaRightClicked, &window,
                             [&window](const QPoint& at) { showMenu(window, at); });
        }
        for (QWidget* stop : tabStops(c.kind == Kind::List ? list.parentWidget() : widget)) {
            if (previous != nullptr) {
                QWidget::setTabOrder(previous, stop);
            }
            previous = stop;
        }
    }
    return controls;
}

const char* MainControls::nameOf(WindowControl control) {
    for (const ControlRow& c : kControls) {
        if (c.control == control) {
            return c.name;
        }
    }
    return "";
}

void MainControls::showMenu(MainDialog& window, const QPoint& at) {
    QMenu menu(&window);
    fillMenu(menu, window);
    menu.exec(at);
}

bool MainControls::takeKey(MainDialog& window, const QKeyEvent& event) {
    const int key = event.key();
    if (key == Qt::Key_F10 && event.modifiers() == Qt::ShiftModifier) {
        openMenuFor(window, QContextMenuEvent(QContextMenuEvent::Keyboard, QPoint(), QPoint()));
    } else if (key == Qt::Key_F1) {
        window.showAbout();
    } else {
        return key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter;
    }
    return true;
}

bool MainControls::openMenuFor(MainDialog& window, const QContextMenuEvent& event) {
    const bool keyboard = event.reason() == QContextMenuEvent::Keyboard;
    if (!keyboard && window.listArea()->geometry().contains(event.pos())) {
        return false;
    }
    const QWidget* focus = window.focusWidget() != nullptr ? window.focusWidget() : &window;
    const QPoint middle(focus->width() / 2, focus->height() / 2);
    showMenu(window, keyboard ? focus->mapToGlobal(middle) : event.globalPos());
    return true;
}

void MainControls::fillMenu(QMenu& menu, MainDialog& window) {
    TraceListView& list = *window.listView();
    QAction* copy = menu.addAction(QStringLiteral("Copy"), &list, &TraceListView::copySelectedRows);
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(list.selectionModel()->hasSelection());
    for (const ControlRow& c : kControls) {
        if (c.inMenu) {
            menu.addAction(QString::fromLatin1(c.caption), &window,
                           [&window, click = c.click] { click(window); });
        }
    }
    menu.addAction(QStringLiteral("record folder..."), &window,
                   [&window] { window.fileActions().chooseRecordFolder(); });
    menu.addSeparator();
    menu.addAction(QStringLiteral("Inf&o about Daridez..."), &window, &MainDialog::showAbout)
        ->setShortcut(QKeySequence(Qt::Key_F1));
}

}  // namespace daridez
