#include "tools/content/bitmap_font.h"

#include <cctype>

namespace demo {

namespace {

struct Glyph {
    char c;
    const char* rows;  // 7 rows of 5, '#' set
};

constexpr Glyph kGlyphs[] = {
    {'A', ".###.#...##...#######...##...##...#"}, {'B', "####.#...##...#####.#...##...#####."},
    {'C', ".###.#...##....#....#....#...#.###."}, {'D', "####.#...##...##...##...##...#####."},
    {'E', "######....#....####.#....#....#####"}, {'F', "######....#....####.#....#....#...."},
    {'G', ".###.#...##....#.####...##...#.####"}, {'H', "#...##...##...#######...##...##...#"},
    {'I', ".###...#....#....#....#....#...###."}, {'J', "..###...#....#....#....#.#..#..##.."},
    {'K', "#...##..#.#.#..##...#.#..#..#.#...#"}, {'L', "#....#....#....#....#....#....#####"},
    {'M', "#...###.###.#.##.#.##...##...##...#"}, {'N', "#...##...###..##.#.##..###...##...#"},
    {'O', ".###.#...##...##...##...##...#.###."}, {'P', "####.#...##...#####.#....#....#...."},
    {'Q', ".###.#...##...##...##.#.##..#..##.#"}, {'R', "####.#...##...#####.#.#..#..#.#...#"},
    {'S', ".#####....#.....###.....#....#####."}, {'T', "#####..#....#....#....#....#....#.."},
    {'U', "#...##...##...##...##...##...#.###."}, {'V', "#...##...##...##...##...#.#.#...#.."},
    {'W', "#...##...##...##.#.##.#.##.#.#.#.#."}, {'X', "#...##...#.#.#...#...#.#.#...##...#"},
    {'Y', "#...##...#.#.#...#....#....#....#.."}, {'Z', "#####....#...#...#...#...#....#####"},
    {'0', ".###.#...##..###.#.###..##...#.###."}, {'1', "..#...##....#....#....#....#...###."},
    {'2', ".###.#...#....#...#...#...#...#####"}, {'3', "####.....#....#.###.....#....#####."},
    {'4', "...#...##..#.#.#..#.#####...#....#."}, {'5', "######....####.....#....##...#.###."},
    {'6', ".###.#....#....####.#...##...#.###."}, {'7', "#####....#...#...#...#....#....#..."},
    {'8', ".###.#...##...#.###.#...##...#.###."}, {'9', ".###.#...##...#.####....#....#.###."},
    {'.', "..........................##...##.."}, {',', "....................##....#...#...."},
    {'-', "...............#####..............."}, {':', "......##...##.......##...##........"},
    {'!', "..#....#....#....#....#.........#.."}, {'\'', "..#....#..........................."},
    {'&', ".##..#..#.#.#...#...#.#.##..#..##.#"}, {'/', "....#...#....#...#...#....#...#...."},
};

const char* RowsOf(char c) {
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const Glyph& g : kGlyphs)
        if (g.c == upper) return g.rows;
    return nullptr;
}

void Block(Picture& picture, int x, int y, int scale, Rgba colour) {
    for (int dy = 0; dy < scale; ++dy)
        for (int dx = 0; dx < scale; ++dx) {
            const int px = x + dx, py = y + dy;
            if (px >= 0 && py >= 0 && px < picture.Width() && py < picture.Height()) picture.At(px, py) = colour;
        }
}

}  // namespace

bool GlyphPixel(char c, int x, int y) {
    const char* rows = RowsOf(c);
    if (rows == nullptr || x < 0 || y < 0 || x >= kGlyphWidth || y >= kGlyphHeight) return false;
    return rows[y * kGlyphWidth + x] == '#';
}

int TextWidth(std::string_view text, int scale) {
    return text.empty() ? 0 : (static_cast<int>(text.size()) * kGlyphAdvance - 1) * scale;
}

void DrawText(Picture& picture, int x, int y, std::string_view text, int scale, Rgba colour) {
    const Rgba shadow{0, 0, 0, 255};
    for (int pass = 0; pass < 2; ++pass) {
        const int offset = pass == 0 ? 1 : 0;
        for (size_t i = 0; i < text.size(); ++i)
            for (int gy = 0; gy < kGlyphHeight; ++gy)
                for (int gx = 0; gx < kGlyphWidth; ++gx)
                    if (GlyphPixel(text[i], gx, gy))
                        Block(picture, x + (static_cast<int>(i) * kGlyphAdvance + gx) * scale + offset,
                              y + gy * scale + offset, scale, pass == 0 ? shadow : colour);
    }
}

}  // namespace demo
