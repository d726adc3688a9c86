// SPDX-License-Identifier: MIT

#include "BenchDocument.h"

#include <random>

std::string makeBenchHelpFile(std::size_t bytes)
{
    static const char* const kWords[] = {"warp",  "ship",   "bomb",   "zone",     "flag", "base",
                                         "enemy", "repel",  "burst",  "portal",   "team", "arena",
                                         "press", "energy", "bounty", "%KB_WARP", "50%",  "the"};
    static const char kTags[] = {'W', 'P', 'Y', 'R', 'G', 'B', 'p'};
    std::mt19937 rng(20261208);
    std::string out;
    out.reserve(bytes + 128);
    int line = 0;
    int untilChange = 16;
    while (out.size() < bytes) {
        if (line % 20 == 0) {
            out += "#Page " + std::to_string(line / 20 + 1) + " (F1 for more options)\r\n";
            ++line;
            continue;
        }
        std::size_t width = 0;
        const std::size_t target = 30 + rng() % 40;
        while (width < target) {
            const std::string word = kWords[rng() % std::size(kWords)];
            if (untilChange <= 0) {
                out += '%';
                out += kTags[rng() % std::size(kTags)];
                untilChange = 1 + int(rng() % 15); // with the word that ends it: 16 on average
            }
            out += word;
            out += ' ';
            width += word.size() + 1;
            untilChange -= int(word.size() + 1);
        }
        out += "\r\n";
        ++line;
    }
    return out;
}
