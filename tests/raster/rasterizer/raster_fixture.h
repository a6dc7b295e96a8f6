// The rasterizer tests' fixture over the hand-built device.
#pragma once

#include <gtest/gtest.h>

#include "hand_built_device.h"

namespace rt {

class RasterTest : public ::testing::Test {
protected:
    void SetUp() override { MakeDevice(64, 64); }
    void TearDown() override { ReleaseDevice(); }
};

}  // namespace rt
