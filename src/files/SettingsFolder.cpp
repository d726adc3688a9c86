// SPDX-License-Identifier: MIT

#include "files/SettingsFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace skyrend {

SettingsLayout builtSettingsLayout()
{
#if defined(SKYREND_INSTALLED_LAYOUT) && SKYREND_INSTALLED_LAYOUT
    return SettingsLayout::Installed;
#else
    return SettingsLayout::Portable;
#endif
}

namespace {

QString withSeparator(const QString& folder)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')) || folder.endsWith(QDir::separator()))
        return folder;
    return folder + QLatin1Char('/');
}

} // namespace

QString settingsFolder(SettingsLayout layout, const QString& programFolder)
{
    if (layout == SettingsLayout::Portable)
        return withSeparator(programFolder);
    return withSeparator(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}

QString settingsFileIn(const QString& folder)
{
    // Only an installed layout's folder can be missing; a portable one is the program's own.
    if (!folder.isEmpty() && !QFileInfo::exists(folder))
        QDir().mkpath(folder);
    return folder + QStringLiteral("config.ini");
}

} // namespace skyrend
