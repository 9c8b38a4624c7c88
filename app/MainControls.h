#pragma once

#include <array>
#include <cstddef>

class QContextMenuEvent;
class QKeyEvent;
class QMenu;
class QPoint;
class QWidget;

namespace daridez {

class BaseLayout;
class MainDialog;
class TraceListView;

// The main window's controls that the window reaches after building them, each named in
// the table by what it is ("startButton", "linRateBox").
enum class WindowControl {
    Config,
    Connect,
    SaveTrace,
    LoadTrace,
    Start,
    Stop,
    GetFwVersion,
    ClearTraceList,
    LinBaudrate,
    SetLinSpeed,
    FindRate,
    Search,
    TraceList,
    Export,
    IdSummary,
    Plot,
    Ldf,
    LdfLabel,
    Record,
    Trigger,
    RecordLabel,
    StatusLine1,
    StatusLine2,
    Count
};
using WindowControls = std::array<QWidget*, static_cast<std::size_t>(WindowControl::Count)>;

// The main window's controls as one table {id, kind, caption, rectangle, how it grows,
// what a click does, whether the window's menu offers it too}, and what builds them. A
// new button is one more line of the table.
class MainControls {
  public:
    // The window's title, font and smallest (first) size, and every control of the
    // table on it, placed through layout, named, wired to its click, in tab order. The
    // list is made by the window (its session works on it): the table places it.
    static WindowControls build(MainDialog& window, TraceListView& list, BaseLayout& layout);
    // A control's object name, as the table gives it ("startButton").
    static const char* nameOf(WindowControl control);
    // The window's menu: Copy, the entries the table marks in table order, the record
    // folder, then the About box.
    static void fillMenu(QMenu& menu, MainDialog& window);
    // Opens the window's menu at a point of the screen.
    static void showMenu(MainDialog& window, const QPoint& at);
    // The window's own keys: Shift+F10 opens its menu (as the Menu key does), F1 the About
    // box; Escape and Return are taken so that they neither close the window nor press a
    // button. Returns whether the key was one of them.
    static bool takeKey(MainDialog& window, const QKeyEvent& event);
    // Opens the window's menu for a request from the keyboard (wherever the focus is) or a
    // right-click beside the controls or on the list's empty part; returns false for a
    // right-click on the list's rows, which toggles display modes instead.
    static bool openMenuFor(MainDialog& window, const QContextMenuEvent& event);
};

}  // namespace daridez
