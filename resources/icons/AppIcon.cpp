#include "icons/AppIcon.h"

#include <QString>

// Resources compiled into a static library are registered only when something asks for them.
static void InitIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace vireo {

QIcon AppIcon() {
    static const bool registered = (InitIconResources(), true);
    (void)registered;
    QIcon icon;
    for (int size : kAppIconSizes)
        icon.addFile(QStringLiteral(":/icons/sonexa-vireo-mixer-%1.png").arg(size),
                     QSize(size, size));
    return icon;
}

} // namespace vireo
