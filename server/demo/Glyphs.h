#pragma once

#include <array>
#include <cstdint>

constexpr int GlyphWidth = 5;
constexpr int GlyphHeight = 7;

// The rows of a character, top first, the leftmost pixel in bit 4. Lower-case letters are drawn as
// capitals; characters the font lacks are blank.
const std::array<std::uint8_t, GlyphHeight>& Glyph(char c);
