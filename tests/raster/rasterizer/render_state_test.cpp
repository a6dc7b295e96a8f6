// Render-state codes: group order, bit precedence inside a value, and the
// initial states.
#include <cstring>

#include "raster_fixture.h"

namespace {

using raster::DepthFunc;
using raster::FillMode;

class RenderStates : public rt::RasterTest {
protected:
    const raster::RasterState& S() { return raster::GetDevice().state; }
};

TEST_F(RenderStates, InitialStatesAndBitPrecedence) {
    EXPECT_EQ(S().cull, raster::CullMode::CounterClockwise);
    EXPECT_TRUE(S().dither && S().depthTest && S().depthWrite);
    EXPECT_FALSE(S().bilinear || S().alphaBlend || S().antialias);
    EXPECT_EQ(S().depthFunc, DepthFunc::LessEqual);
    EXPECT_EQ(S().texture, -1);

    r_SetRenderState(RS_FILLMODE, 3);  // wireframe, then points: points
    EXPECT_EQ(S().fill, FillMode::Points);
    r_SetRenderState(RS_FILLMODE, 6);  // wireframe, then solid: solid
    EXPECT_EQ(S().fill, FillMode::Solid);
    r_SetRenderState(RS_ZFUNC, 4);
    r_SetRenderState(RS_BLENDMODE, BLEND_ADDITIVE);
    r_SetRenderState(RS_ZFUNC, 0);  // no bit: unchanged
    r_SetRenderState(RS_BLENDMODE, 0);
    EXPECT_EQ(S().depthFunc, DepthFunc::Greater);
    EXPECT_EQ(S().blendMode, BLEND_ADDITIVE);
    r_SetRenderState(RS_ZFUNC, 1 | 8);
    EXPECT_EQ(S().depthFunc, DepthFunc::GreaterEqual);
    r_SetRenderState(RS_BLENDMODE, 8 | 4 | 16);
    EXPECT_EQ(S().blendMode, BLEND_SOURCE_COLOUR);
}

TEST_F(RenderStates, SeveralGroupsInOneCall) {
    r_SetRenderState(RS_ZWRITE | RS_ZCHECK, 0);
    EXPECT_FALSE(S().depthWrite || S().depthTest);
    r_SetRenderState(3, 1);
    EXPECT_TRUE(S().depthWrite && S().depthTest);
    const raster::RasterState before = S();
    r_SetRenderState(0, 1);
    EXPECT_EQ(std::memcmp(&before, &S(), sizeof before), 0);
    // One value serves every selected group: 2 is wireframe and less-equal.
    r_SetRenderState(RS_FILLMODE | RS_ZFUNC | RS_ANTIALIAS | RS_BILINEAR, 2);
    EXPECT_EQ(S().fill, FillMode::Wireframe);
    EXPECT_EQ(S().depthFunc, DepthFunc::LessEqual);
    EXPECT_TRUE(S().antialias && S().bilinear);
    r_SetTexture(0, 5);
    EXPECT_EQ(S().texture, 5);
    r_SetTexture(1, -1);  // only stage 0 is sampled
    EXPECT_EQ(S().texture, 5);
}

}  // namespace
