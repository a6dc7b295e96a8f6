// Render-state codes: order of the groups, bit precedence inside a value, and
// the initial states.
#include <cstring>

#include "raster_fixture.h"

namespace {

using raster::DepthFunc;
using raster::FillMode;

class RenderStates : public rt::RasterTest {
protected:
    const raster::RasterState& S() { return raster::GetDevice().state; }
};

TEST_F(RenderStates, InitialStates) {
    raster::GetDevice().state.depthTest = false;
    raster::GetDevice().state.texture = 3;
    raster::ResetRenderStates();
    EXPECT_EQ(S().cull, raster::CullMode::CounterClockwise);
    EXPECT_EQ(S().fill, FillMode::Solid);
    EXPECT_TRUE(S().dither);
    EXPECT_FALSE(S().bilinear);
    EXPECT_TRUE(S().depthTest);
    EXPECT_TRUE(S().depthWrite);
    EXPECT_EQ(S().depthFunc, DepthFunc::LessEqual);
    EXPECT_FALSE(S().alphaBlend);
    EXPECT_FALSE(S().antialias);
    EXPECT_EQ(S().texture, -1);
}

TEST_F(RenderStates, FillModeBitsLastListedWins) {
    r_SetRenderState(RS_FILLMODE, 3);  // wireframe then points
    EXPECT_EQ(S().fill, FillMode::Points);
    r_SetRenderState(RS_FILLMODE, 6);  // wireframe then solid
    EXPECT_EQ(S().fill, FillMode::Solid);
    r_SetRenderState(RS_FILLMODE, 2);
    EXPECT_EQ(S().fill, FillMode::Wireframe);
    r_SetRenderState(RS_FILLMODE, 0);  // no bit: unchanged
    EXPECT_EQ(S().fill, FillMode::Wireframe);
}

TEST_F(RenderStates, ZeroValuesOfBitGroupsChangeNothing) {
    r_SetRenderState(RS_ZFUNC, 4);
    r_SetRenderState(RS_BLENDMODE, BLEND_ADDITIVE);
    r_SetRenderState(RS_ZFUNC, 0);
    r_SetRenderState(RS_BLENDMODE, 0);
    EXPECT_EQ(S().depthFunc, DepthFunc::Greater);
    EXPECT_EQ(S().blendMode, BLEND_ADDITIVE);
    r_SetRenderState(RS_ZFUNC, 1 | 8);
    EXPECT_EQ(S().depthFunc, DepthFunc::GreaterEqual);
    r_SetRenderState(RS_BLENDMODE, 8 | 4 | 16);
    EXPECT_EQ(S().blendMode, BLEND_SOURCE_COLOUR);
    r_SetRenderState(RS_BLENDMODE, 8 | 4);
    EXPECT_EQ(S().blendMode, BLEND_ADDITIVE);
}

TEST_F(RenderStates, SeveralGroupsInOneCall) {
    r_SetRenderState(RS_ZWRITE | RS_ZCHECK, 0);
    EXPECT_FALSE(S().depthWrite);
    EXPECT_FALSE(S().depthTest);
    r_SetRenderState(3, 1);
    EXPECT_TRUE(S().depthWrite);
    EXPECT_TRUE(S().depthTest);
    const raster::RasterState before = S();
    r_SetRenderState(0, 1);
    EXPECT_EQ(std::memcmp(&before, &S(), sizeof before), 0);
    // One value serves every selected group: 2 selects wireframe and less-equal.
    r_SetRenderState(RS_FILLMODE | RS_ZFUNC | RS_ANTIALIAS | RS_BILINEAR | RS_DITHER, 2);
    EXPECT_EQ(S().fill, FillMode::Wireframe);
    EXPECT_EQ(S().depthFunc, DepthFunc::LessEqual);
    EXPECT_TRUE(S().antialias);
    EXPECT_TRUE(S().bilinear);
    EXPECT_TRUE(S().dither);
    r_SetRenderState(RS_ANTIALIAS | RS_BILINEAR | RS_DITHER | RS_ALPHABLEND, 0);
    EXPECT_FALSE(S().antialias);
    EXPECT_FALSE(S().bilinear);
    EXPECT_FALSE(S().dither);
    EXPECT_FALSE(S().alphaBlend);
}

TEST_F(RenderStates, SetTextureKeepsHandleAndMinusOneMeansNone) {
    r_SetTexture(0, 5);
    EXPECT_EQ(S().texture, 5);
    r_SetTexture(0, -1);
    EXPECT_EQ(S().texture, -1);
    r_SetTexture(1, 5);  // only stage 0 is sampled
    EXPECT_EQ(S().texture, -1);
}

}  // namespace
