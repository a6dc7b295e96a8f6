// A tiny 5 x 7 bitmap font (capitals, digits and a little punctuation) for
// the credits picture and the title letters.
#pragma once

#include <string_view>

#include "tools/formats/tga_writer.h"

namespace demo {

constexpr int kGlyphWidth = 5, kGlyphHeight = 7, kGlyphAdvance = 6;

// True when pixel (x, y) of the glyph for c is set (y = 0 is the top row).
// Lower-case letters use the capitals; unknown characters are blank.
bool GlyphPixel(char c, int x, int y);

// Width in pixels of text drawn at scale.
int TextWidth(std::string_view text, int scale);

// Draws text with its top-left corner at (x, y), each font pixel scale x scale,
// with a one-pixel dark shadow so it reads on any background.
void DrawText(Picture& picture, int x, int y, std::string_view text, int scale, Rgba colour);

}  // namespace demo
