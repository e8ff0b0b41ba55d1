#include "res/AppIcon.h"

#include <QString>

// Outside any namespace, as Q_INIT_RESOURCE requires.
static void RegisterResources() {
    // The images live in a static library; nothing registers them on its own.
    Q_INIT_RESOURCE(zorvane);
}

QIcon LoadAppIcon() {
    static const bool registered = (RegisterResources(), true);
    (void)registered;
    QIcon icon;
    icon.addFile(QStringLiteral(":/zorvane/zorvane-32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/zorvane/zorvane-16.png"), QSize(16, 16));
    return icon;
}
