// SPDX-License-Identifier: MIT

#pragma once

#include <QIcon>

// The program's icon: the desktop theme's "skyrend-f1-editor" where the theme has one (the
// installed package puts it there), else the one built into the program.
QIcon programIcon();
// The built-in one alone, the PNGs of packaging/icons.
QIcon builtInProgramIcon();
