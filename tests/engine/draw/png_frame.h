// Golden frames as PNG files: a small deterministic encoder (Sub filter, fixed
// Huffman codes with run-length matches), so the same frame always gives the
// same bytes and frames are compared as encoded files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace et {

std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint8_t>& rgb);

// Compares the frame with tests/engine/draw/golden/<name>.png, or writes that
// file when the environment variable TESSALY_REGENERATE_GOLDEN is 1. Returns a
// failure text, or "" when they agree (or the file was written).
std::string CheckGolden(const std::string& name, int width, int height, const std::vector<uint8_t>& rgb);

}  // namespace et
