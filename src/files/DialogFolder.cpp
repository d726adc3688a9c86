// SPDX-License-Identifier: MIT

#include "files/DialogFolder.h"

#include "files/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace skyrend {

namespace {

const QString kSection = QStringLiteral("Files");
const QString kKey = QStringLiteral("LastFolder");

bool isFolder(const QString& path)
{
    return !path.isEmpty() && QDir::isAbsolutePath(path) && QFileInfo(path).isDir();
}

} // namespace

QString DialogFolder::choose(const QString& currentFile, const QString& lastFolder,
                             const QString& documents, const QString& home)
{
    const QString own = currentFile.isEmpty() ? QString() : QFileInfo(currentFile).absolutePath();
    for (const QString& folder : {own, lastFolder, documents})
        if (isFolder(folder))
            return QDir::cleanPath(folder);
    return QDir::cleanPath(home);
}

QString DialogFolder::startFor(const QString& currentFile) const
{
    return choose(currentFile, settings_.read().value(kSection, kKey),
                  QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                  QDir::homePath());
}

bool DialogFolder::remember(const QString& chosenFile) const
{
    const QString folder = QFileInfo(chosenFile).absolutePath();
    if (!isFolder(folder))
        return false;
    IniFile ini = settings_.read();
    // Written like every other change to config.ini: the whole file replaced at once, or not.
    return ini.setValue(kSection, kKey, QDir::toNativeSeparators(folder)) &&
           (!ini.isModified() || settings_.write(ini));
}

} // namespace skyrend
