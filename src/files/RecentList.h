// SPDX-License-Identifier: MIT

#pragma once

#include <QString>

#include <array>

// The five most recently loaded files, most recent first, as kept in config.ini under
// [Recent], keys "0" to "4". Empty entries keep their places.
using RecentList = std::array<QString, 5>;

// The list after `path` was loaded: the path first, a copy of it in entries 0..3 removed (a copy
// in entry 4 falls off the end), the others in their order.
RecentList withRecentFile(const RecentList& before, const QString& path);

// A path that could not come back from config.ini as it went in (the store trims values and
// keeps one line per key) is not put in the list.
bool canRememberPath(const QString& path);
