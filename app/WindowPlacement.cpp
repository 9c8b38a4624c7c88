#include "app/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "serial/Profile.h"

namespace daridez {

namespace {

const char* const kSection = "WINDOW";
constexpr int kVisibleEdge = 64;  // pixels of the title bar that must be on a screen

bool onSomeScreen(const QRect& rect) {
    const QRect titleBar(rect.topLeft(), QSize(rect.width(), kVisibleEdge));
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect seen = screen->availableGeometry().intersected(titleBar);
        if (seen.width() >= kVisibleEdge && seen.height() >= kVisibleEdge / 4) {
            return true;
        }
    }
    return false;
}

}  // namespace

void RestoreWindowPlacement(QWidget& window, const Profile& profile) {
    const int width = profile.GetProfileInt(kSection, "Width", 0);
    const int height = profile.GetProfileInt(kSection, "Height", 0);
    if (width <= 0 || height <= 0) {
        return;
    }
    const QRect rect(
        profile.GetProfileInt(kSection, "X", 0), profile.GetProfileInt(kSection, "Y", 0),
        std::max(width, window.minimumWidth()), std::max(height, window.minimumHeight()));
    if (!onSomeScreen(rect)) {
        return;
    }
    window.resize(rect.size());
    window.move(rect.topLeft());
    if (profile.GetProfileInt(kSection, "Maximized", 0) != 0) {
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
    }
}

void SaveWindowPlacement(const QWidget& window, Profile& profile) {
    // X and Y place the frame, as move() takes them; Width and Height the inside, as
    // resize() takes them. The inside's place would move the window by its title bar on
    // every run.
    const QPoint frame = window.pos() - window.geometry().topLeft();
    const QRect rect =
        (window.isMaximized() ? window.normalGeometry() : window.geometry()).translated(frame);
    if (rect.isEmpty()) {
        return;
    }
    profile.WriteProfileInt(kSection, "X", rect.x());
    profile.WriteProfileInt(kSection, "Y", rect.y());
    profile.WriteProfileInt(kSection, "Width", rect.width());
    profile.WriteProfileInt(kSection, "Height", rect.height());
    profile.WriteProfileInt(kSection, "Maximized", window.isMaximized() ? 1 : 0);
}

}  // namespace daridez
