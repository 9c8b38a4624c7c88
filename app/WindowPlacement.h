#pragma once

class QWidget;

namespace daridez {

class Profile;

// The main window's size and position, kept in the profile section "WINDOW" (keys X,
// Y, Width, Height, Maximized) between runs. A place that is no longer on any screen
// (a monitor unplugged) is not restored: the window keeps its first place.
void RestoreWindowPlacement(QWidget& window, const Profile& profile);
void SaveWindowPlacement(const QWidget& window, Profile& profile);

}  // namespace daridez
