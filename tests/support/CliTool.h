// SPDX-License-Identifier: MIT

#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

// Runs the built skyrend-f1 with `args`; its standard output, or "tool failed".
inline QByteArray runTool(const QStringList& args)
{
    QProcess tool;
    tool.start(QStringLiteral(SKYREND_BIN_DIR "/skyrend-f1"), args);
    if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit)
        return "tool failed";
    return tool.readAllStandardOutput();
}
