// SPDX-License-Identifier: MIT

#include "document/Macros.h"

#include <algorithm>

namespace skyrend {
namespace {

template <std::size_t Width> struct Field {
    char chars[Width];
    constexpr Field(std::string_view text) : chars{}
    {
        if (text.size() > Width)
            throw "text longer than its field"; // stops the build: the table is constinit
        for (std::size_t i = 0; i < Width; ++i)
            chars[i] = i < text.size() ? text[i] : ' ';
    }
    constexpr std::string_view view() const { return {chars, Width}; }
};

struct Row {
    constexpr Row(std::string_view t, std::string_view d) : token(t), description(d) {}
    Field<MacroTokenWidth> token;
    Field<MacroDescriptionWidth> description;
};

constexpr std::array<Row, MacroUpperBound + 1> kRows = {{
    {"%KEsc", "'Escape' Key"},
    {"%KB_LEFT", "'Left' Key."},
    {"%KB_RIGHT", "'Right' Key"},
    {"%KB_FORWARD", "'Forward' Key"},
    {"%KB_REVERSE", "'Reverse' Key"},
    {"%KB_AFTERBURNERS", "'Afterburners' Key."},
    {"%KB_BULLET", "'Fire guns' Key"},
    {"%KB_BOMB", "'Fire bomb' Key"},
    {"%KB_MINE", "'Drop mine' Key"},
    {"%KB_THOR", "'Thor's hammer' Key."},
    {"%KB_BURST", "'Burst' Key"},
    {"%KB_STEALTH", "'Stealth' Key"},
    {"%KB_CLOAK", "'Cloak' Key"},
    {"%KB_XRADAR", "'X-radar' Key."},
    {"%KB_ANTIWARP", "'AntiWarp' Key"},
    {"%KB_MULTI", "'Multi-fire guns' Key"},
    {"%KB_REPEL", "'Repel' Key"},
    {"%KB_WARP", "'Warp' Key"},
    {"%KB_PORTAL", "'Set portal' Key"},
    {"%KB_DECOY", "'Drop decoy' Key"},
    {"%KB_ROCKET", "'Fire rocket' Key"},
    {"%KB_BRICK", "'Drop brick' Key"},
    {"%KB_ATTACH", "'Attach/detach' Key"},
    {"%KB_VIEWMAP", "'Show map' Key"},
    {"%KB_CYCLE", "'Stat box' Key"},
    {"%KB_PREV", "'Prev ticked player' Key"},
    {"%KB_NEXT", "'Next ticked player' Key"},
    {"%KB_PLAY", "'Toggle spectator mode' Key"},
    {"%KPrintScrn", "'Take screenshot' Key"},
    {"", ""},
}};

struct Tables {
    std::array<std::string_view, MacroUpperBound + 1> tokens{};
    std::array<std::string_view, MacroUpperBound + 1> descriptions{};
};

constexpr Tables makeTables()
{
    Tables t;
    for (std::size_t row = 0; row < kRows.size(); ++row) {
        t.tokens[row] = kRows[row].token.view();
        t.descriptions[row] = kRows[row].description.view();
    }
    return t;
}

constinit Tables g_tables = makeTables();

} // namespace

const std::array<std::string_view, MacroUpperBound + 1>& MacroTokens = g_tables.tokens;
const std::array<std::string_view, MacroUpperBound + 1>& MacroDescriptions = g_tables.descriptions;

void InitMacros()
{
    g_tables = makeTables();
}

std::string_view trimmedField(std::string_view field)
{
    const auto first = field.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return field.substr(first, field.find_last_not_of(' ') - first + 1);
}

std::optional<std::string_view> macroCaption(std::u16string_view name)
{
    for (int row = 0; row < MacroCount; ++row) {
        std::string_view token = trimmedField(MacroTokens[row]);
        token.remove_prefix(2); // "%K"
        if (token.size() == name.size() &&
            std::equal(token.begin(), token.end(), name.begin(),
                       [](char a, char16_t b) { return char16_t(a) == b; }))
            return trimmedField(MacroDescriptions[row]);
    }
    return std::nullopt;
}

bool isMacroName(std::u16string_view name)
{
    return macroCaption(name).has_value();
}

} // namespace skyrend
