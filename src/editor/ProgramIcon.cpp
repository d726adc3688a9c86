// SPDX-License-Identifier: MIT

#include "editor/ProgramIcon.h"

QIcon builtInProgramIcon()
{
    // The PNGs only: the SVG needs Qt's SVG icon plugin, which a desktop may lack.
    QIcon icon;
    for (const char* size : {"48", "256"})
        icon.addFile(QStringLiteral(":/icons/skyrend-f1-editor-%1.png").arg(QLatin1String(size)));
    return icon;
}

QIcon programIcon()
{
    return QIcon::fromTheme(QStringLiteral("skyrend-f1-editor"), builtInProgramIcon());
}
