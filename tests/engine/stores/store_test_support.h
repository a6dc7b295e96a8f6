// Shared set-up of the engine store tests: the real back-end brought up
// headless, a scratch directory, message capture, and writers for the small
// TGA and LWOB files the tests need.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/vecmath.h"
#include "tests/common/collected_messages.h"

namespace storetest {

using test_messages::Collect;
using test_messages::Messages;  // collected since the test began (or was cleared)
bool Saw(const std::string& message);

// Links t7dxraster and sets up 640x480x16 on card 0 headless once per
// program; each test gets the three stores allocated (16 textures, 4 images,
// 8 models), a fresh scratch directory Dir() ending in '/', and frees all.
class EngineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;
    const std::string& Dir() const { return dir_; }

private:
    std::string dir_;
};

// An uncompressed true-colour TGA (16, 24 or 32 bits).
void WriteTga(const std::string& path, int width, int height, int bits);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// One surface of a test object: one triangle, a colour, a smoothing angle in
// radians and optionally a colour-texture image.
struct TestSurface {
    std::string name;
    std::vector<Vector3> triangle;
    std::string image = "";
    uint8_t rgb[3] = {200, 100, 50};
    float smoothing = 0.0f;
};
std::vector<uint8_t> BuildLwob(const std::vector<TestSurface>& surfaces);

}  // namespace storetest
