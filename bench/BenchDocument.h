// SPDX-License-Identifier: MIT

#pragma once

#include <cstddef>
#include <string>

// A help file of about `bytes` bytes, the same on every run: a header line every 20 lines and a
// colour change every 16 characters on average.
std::string makeBenchHelpFile(std::size_t bytes);
