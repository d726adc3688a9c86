// SPDX-License-Identifier: MIT

#include "app/CommandLine.h"

#include <QFileInfo>

namespace app {

namespace {

bool isHelp(const QString& arg)
{
    return arg == QLatin1String("--help") || arg == QLatin1String("-h");
}

} // namespace

QString CommandLine::usage()
{
    return QStringLiteral("Usage: skyrend-f1-editor [FILE]\n"
                          "Edit a Skyrend F1 help file (Commands.hlp) as coloured text.\n"
                          "\n"
                          "  FILE        open this file at start\n"
                          "  --help      show this help and exit\n"
                          "  --version   show the version and exit\n");
}

std::optional<CommandLine::Action> CommandLine::earlyAnswer(const QStringList& args)
{
    for (const QString& arg : args) {
        if (arg == QLatin1String("--"))
            break;
        if (isHelp(arg))
            return Action::Help;
        if (arg == QLatin1String("--version"))
            return Action::Version;
    }
    return std::nullopt;
}

CommandLine CommandLine::parse(const QStringList& args)
{
    CommandLine line;
    bool optionsEnded = false;
    for (const QString& arg : args) {
        if (!optionsEnded && isHelp(arg))
            return {Action::Help, {}, {}};
        if (!optionsEnded && arg == QLatin1String("--version"))
            return {Action::Version, {}, {}};
        if (!optionsEnded && arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && arg.startsWith(QLatin1Char('-')) && arg.size() > 1)
            return {Action::Refuse, {}, QStringLiteral("unknown option %1").arg(arg)};
        if (!line.file.isEmpty())
            return {Action::Refuse, {}, QStringLiteral("one file at a time")};
        line.file = QFileInfo(arg).absoluteFilePath();
    }
    return line;
}

} // namespace app
