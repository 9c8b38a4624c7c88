#include "app/WindowPlacement.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QWidget>

#include "serial/Profile.h"

namespace daridez {

namespace {

const char* const kSection = "WINDOW";
const char* const kPaneKey = "SignalPane";
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

bool RestoreWindowPlacement(QWidget& window, const Profile& profile, QSplitter* splitter) {
    const int width = profile.GetProfileInt(kSection, "Width", 0);
    const int height = profile.GetProfileInt(kSection, "Height", 0);
    if (width <= 0 || height <= 0) {
        return false;
    }
    const QRect rect(
        profile.GetProfileInt(kSection, "X", 0), profile.GetProfileInt(kSection, "Y", 0),
        std::max(width, window.minimumWidth()), std::max(height, window.minimumHeight()));
    if (!onSomeScreen(rect)) {
        return false;
    }
    window.resize(rect.size());
    window.move(rect.topLeft());
    if (profile.GetProfileInt(kSection, "Maximized", 0) != 0) {
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
    }
    const int pane = profile.GetProfileInt(kSection, kPaneKey, 0);
    if (splitter != nullptr && pane > 0) {
        const int total = std::max(splitter->height(), splitter->sizes().value(0) + pane);
        splitter->setSizes({total - pane, pane});
    }
    return true;
}

void ShowAllColumns(QWidget& window, const QTableView& list, const QSplitter& listArea) {
    int columns = 0;
    for (int column = 0; column < list.horizontalHeader()->count(); ++column) {
        columns += list.horizontalHeader()->sectionSize(column);
    }
    const int scrollBar = list.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int wanted = columns + scrollBar + 2 * list.frameWidth();
    const QList<int> parts = listArea.sizes();
    const int pane = parts.size() == 2 ? parts[1] + listArea.handleWidth() : 0;
    QSize size = window.size() + QSize(std::max(0, wanted - listArea.width()), pane);
    if (const QScreen* screen = window.screen()) {
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    }
    window.resize(size.expandedTo(window.minimumSize()));
}

void SaveWindowPlacement(const QWidget& window, Profile& profile, QSplitter* splitter) {
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
    if (splitter != nullptr && splitter->sizes().size() == 2) {
        profile.WriteProfileInt(kSection, kPaneKey, splitter->sizes()[1]);
    }
}

}  // namespace daridez
