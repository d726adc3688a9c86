#pragma once

#include <cstddef>

namespace skyrend {

// The most bytes the editor opens or saves, and the tool reads as a help file. A help file is
// text for one key of a game, far below this; a bigger file is something else opened by
// mistake, and the editor holds a document several times over in memory (its text, colours,
// undo steps and safety copy).
inline constexpr std::size_t kMaxHelpFileBytes = 64u * 1024 * 1024;

} // namespace skyrend
