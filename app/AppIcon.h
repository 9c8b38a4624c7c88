#pragma once

#include <QIcon>

namespace daridez {

// The application icon: the 32 and 16 pixel images drawn from
// res/daridez.svg. It is the main window's icon and the About box's picture.
QIcon appIcon();

}  // namespace daridez
