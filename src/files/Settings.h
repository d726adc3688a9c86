// SPDX-License-Identifier: MIT

#pragma once

#include "files/IniFile.h"
#include "files/SettingsFolder.h"

#include <QString>

namespace skyrend {

// The program's config.ini: the one place that knows where it is. The window creates it and
// hands it to everything that keeps settings (recent files, window state, panels, the recovery
// folder beside it), as it hands out the desktop.
class Settings {
public:
    // `folder` ends with "/" (see settingsFolder()).
    explicit Settings(QString folder) : folder_(std::move(folder)) {}

    // The settings folder, ending with "/".
    QString folder() const { return folder_; }
    // config.ini in it; the folder is made when it does not exist yet.
    QString file() const { return settingsFileIn(folder_); }

    IniFile read() const { return IniFile::load(file()); }
    // One write for all changes; false (and config.ini as it was) on failure.
    bool write(const IniFile& ini) const { return ini.save(file()); }

private:
    QString folder_;
};

} // namespace skyrend
