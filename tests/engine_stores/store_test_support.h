// Shared set-up of the engine store tests: the real back-end brought up
// headless, a scratch directory, message capture, and small writers for the
// TGA and LWOB files the tests need.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/vecmath.h"

namespace storetest {

// Messages handed to Collect since the last Clear.
std::vector<std::string>& Messages();
int Collect(const char* message);
bool Saw(const std::string& message);  // true when exactly this message was collected

// Links t7dxraster, surveys, and sets up 640x480x16 on card 0 headless once
// per test program; every test gets a fresh scratch directory (Dir(), ending
// in '/') and an empty message list, and leaves the stores freed.
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

// An uncompressed true-colour TGA (16, 24 or 32 bits), top row first; each
// pixel's bytes are filled from seed.
void WriteTga(const std::string& path, int width, int height, int bits, uint8_t seed = 1);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
void CopyFile(const std::string& from, const std::string& to);

// One surface of a test object: one triangle, a colour, a smoothing angle
// and optionally a colour-texture image.
struct TestSurface {
    TestSurface(std::string surfaceName, std::vector<Vector3> corners, std::string imageName = "")
        : name(std::move(surfaceName)), image(std::move(imageName)), triangle(std::move(corners)) {}
    TestSurface& Colour(uint8_t r, uint8_t g, uint8_t b) {
        red = r, green = g, blue = b;
        return *this;
    }
    TestSurface& Smoothing(float radians) {
        smoothing = radians;
        return *this;
    }

    std::string name;
    std::string image;
    std::vector<Vector3> triangle;
    uint8_t red = 200, green = 100, blue = 50;
    float smoothing = 0.0f;
};

// An LWOB object with one triangle per surface.
std::vector<uint8_t> BuildLwob(const std::vector<TestSurface>& surfaces);

}  // namespace storetest
