// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes to the JSON reader of skyrend-f1: it must either refuse them with an
// error or give a document that writes and reads back the same.

#include "cli/HelpJson.h"
#include "cli/Json.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    skyrend::ColoredText doc;
    try {
        doc = skyrend::fromJson(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const skyrend::json::Error& e) {
        if (e.line == 0 || e.column == 0)
            std::abort();
        return 0;
    }
    if (!(skyrend::fromJson(skyrend::toJson(doc)) == doc))
        std::abort();
    return 0;
}
