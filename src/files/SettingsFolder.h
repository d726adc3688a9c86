// SPDX-License-Identifier: MIT

#pragma once

#include <QString>

namespace skyrend {

// Where config.ini lives, and with it what belongs beside it (such as a recovery folder).
// A portable copy keeps its settings in its own folder, so it can be moved or run from a USB
// stick as one folder. An installed copy cannot write beside its program in bin/ and keeps
// them in the user's configuration folder instead.
enum class SettingsLayout { Portable, Installed };

// The layout this program was built for (SKYREND_INSTALLED_LAYOUT chooses Installed).
SettingsLayout builtSettingsLayout();

// The settings folder, ending with "/": `programFolder` for Portable, the user's configuration
// folder for this application (QStandardPaths::AppConfigLocation) for Installed. Nothing is
// created here.
QString settingsFolder(SettingsLayout layout, const QString& programFolder);

// config.ini in `folder` (which ends with a separator). A folder that does not exist yet is
// created first, so the first write into a fresh configuration folder succeeds; when it cannot
// be created the path is still returned and reading or writing it fails as for any other
// unusable file.
QString settingsFileIn(const QString& folder);

} // namespace skyrend
