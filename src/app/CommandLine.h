// SPDX-License-Identifier: MIT

#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace app {

// What the editor's command line asks for. Qt's own options (-platform, -style, ...) are taken
// out by QApplication first; this reads what is left.
struct CommandLine {
    enum class Action { Run, Help, Version, Refuse };
    Action action = Action::Run;
    QString file;    // the file to open at start, absolute; empty for none
    QString message; // for Refuse: what to print before the usage

    // The usage text --help prints.
    static QString usage();
    // --help or --version before any "--": answered before Qt starts, so that they work
    // without a display, whatever Qt options stand beside them.
    static std::optional<Action> earlyAnswer(const QStringList& args);
    // The editor's options and file, from the arguments Qt left (without the program's name).
    static CommandLine parse(const QStringList& args);
};

} // namespace app
