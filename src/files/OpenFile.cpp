// SPDX-License-Identifier: MIT
// Bringing a file from disk into the editor: the session reads it, the window shows it.

#include "editor/frmMain.h"

#include <QFile>
#include <QFileInfo>

bool frmMain::FileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    // A pipe, socket or device exists, but opening one can block until a writer comes along:
    // it is refused when it is read.
    if (info.exists() && !info.isFile() && !info.isDir())
        return true;
    QFile file(path);
    return file.open(QIODevice::ReadOnly); // fails for folders too
}

void frmMain::OpenFile(const QString& path)
{
    session_->open(path);
}
