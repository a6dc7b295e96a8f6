// Golden frames: a tiny deterministic PNG encoder (RGB, stored deflate blocks)
// and the comparison of the back surface with tests/raster/rasterizer/golden/<name>.png.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rt {

std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint8_t>& rgb);
// "" when the frame matches (or was written, with TESSALY_REGENERATE_GOLDEN=1).
std::string CheckGolden(const std::string& name);

}  // namespace rt
