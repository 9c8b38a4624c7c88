#pragma once

class QSplitter;
class QTableView;
class QWidget;

namespace daridez {

class Profile;

// The main window's size and position, kept in the profile section "WINDOW" (keys X,
// Y, Width, Height, Maximized) between runs, with the height of the pane below the
// list (SignalPane) when a splitter is given. A place that is no longer on any screen
// (a monitor unplugged) is not restored: the window keeps its first place. False when
// nothing was restored.
bool RestoreWindowPlacement(QWidget& window, const Profile& profile, QSplitter* splitter = nullptr);
void SaveWindowPlacement(const QWidget& window, Profile& profile, QSplitter* splitter = nullptr);

// The first size of a window whose list should show every column: wide enough for all
// of them, and taller by the pane below the list in listArea, so that the list keeps
// the height it has without the pane; as far as the screen has room, never below the
// window's minimum.
void ShowAllColumns(QWidget& window, const QTableView& list, const QSplitter& listArea);

}  // namespace daridez
