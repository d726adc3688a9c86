// SPDX-License-Identifier: MIT

#pragma once

#include <QString>

#include <cstddef>

namespace session {

// The load's progress for character k (0-based) of m, in percent, rounded half to even.
int phase2Percent(std::size_t k, std::size_t m);

// The save's progress figure: general notation, 15 significant digits, the user's locale.
QString savedPercent(double percent);

} // namespace session
