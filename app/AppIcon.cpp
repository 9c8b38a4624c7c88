#include "app/AppIcon.h"

// The resources sit in a static library: without an explicit registration the linker
// may drop them, since nothing refers to their initialiser.
static void registerIconResources() {
    Q_INIT_RESOURCE(daridez);
}

namespace daridez {

QIcon appIcon() {
    static const bool registered = (registerIconResources(), true);
    Q_UNUSED(registered);
    QIcon icon;
    icon.addFile(QStringLiteral(":/daridez/daridez-32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/daridez/daridez-16.png"), QSize(16, 16));
    return icon;
}

}  // namespace daridez
