// A tiny PNG encoder (RGB, 8 bits, stored deflate blocks) for the golden
// frames: deterministic, so frames are compared as encoded bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rt {

std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint8_t>& rgb);
// The back surface as 8-bit RGB rows.
std::vector<uint8_t> BackSurfaceRgb();
// Compares the back surface with tests/rasterizer/golden/<name>.png, or writes
// it when TESSALY_REGENERATE_GOLDEN=1 is set. Returns a failure text or "".
std::string CheckGolden(const std::string& name);

}  // namespace rt
