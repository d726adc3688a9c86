// SPDX-License-Identifier: MIT

#pragma once

// The two ways writeFile puts bytes into a regular file, and the wording of their failures.

#include "storage/Storage.h"

#include <filesystem>
#include <string_view>
#include <sys/stat.h>

namespace storage::detail {

// What a failure leaves behind, said at the end of its message.
enum class Left { Unchanged, MaybeChanged, ReplacedNotFlushed };

// A failure of `step` ("writing the temporary file") with errno value `error`. ENOSPC and
// EDQUOT become DiskFull, worded so the user knows there is no room.
WriteResult failure(int error, std::string_view step, Left left);

// Something other than a regular file is there (at the end of a link to `linkTarget`, when
// that is not empty); nothing was written.
WriteResult refused(mode_t mode, const std::filesystem::path& linkTarget = {});

struct Replaced {
    WriteResult result;
    // The old file's owner or group cannot be given to a new file, or the folder takes no new
    // files: nothing was written, and the file is to be written in place.
    bool writeInPlaceInstead = false;
};

// Writes a temporary file beside `target` and renames it over it. `old` is the regular file
// there now, or null when there is none.
Replaced replaceWhole(const std::filesystem::path& target, const struct stat* old,
                      std::string_view bytes);

// Writes into the existing regular file `target`, so that its inode, and with it its hard
// links, owner, group and mode, stay.
WriteResult writeInPlace(const std::filesystem::path& target, std::string_view bytes);

} // namespace storage::detail
