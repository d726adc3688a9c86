// SPDX-License-Identifier: MIT

#pragma once

#include <QString>

namespace skyrend {

class Settings;

// The folder Open and Save As start in, and the last folder used, kept in config.ini as
// [Files] LastFolder.
class DialogFolder {
public:
    explicit DialogFolder(const Settings& settings) : settings_(settings) {}

    // The current file's folder, else the last folder used, else the user's Documents folder
    // (else the home folder); a folder that is gone is passed over.
    QString startFor(const QString& currentFile) const;
    // Keeps the folder of a file chosen in a dialog; false when config.ini could not be written.
    bool remember(const QString& chosenFile) const;

    // The choice itself, from what there is.
    static QString choose(const QString& currentFile, const QString& lastFolder,
                          const QString& documents, const QString& home);

private:
    const Settings& settings_;
};

} // namespace skyrend
