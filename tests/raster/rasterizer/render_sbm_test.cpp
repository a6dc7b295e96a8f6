// r_RenderSBM: cull mode from the mesh, vertex colours, one pass per texture
// layer with the layer alpha, and meshes beyond the contract.
#include "raster_fixture.h"
#include "test_meshes.h"

namespace {

class RenderSbm : public rt::RasterTest {
protected:
    void SetUp() override {
        rt::MakeDevice(64, 64);
        r_AllocMaxVtcs(100, nullptr);
        ASSERT_TRUE(rt::FacingSquare(mesh));
    }
    void Redraw() {
        rt::FillColour(0);
        rt::FillDepth(0xFFFF);
        r_RenderSBM(&mesh, colours, 0, 0);
    }
    CMesh mesh;
    uint32_t colours[4] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
};

TEST_F(RenderSbm, UntexturedMeshUsesVertexColoursAndCullMode) {
    std::fill(colours, colours + 4, 0xFF20A040);
    r_SetTexture(0, 3);
    EXPECT_EQ(r_RenderSBM(&mesh, colours, 0, 0), 0);
    EXPECT_EQ(rt::Pixel(32, 32), 0x20A040u);
    EXPECT_EQ(raster::GetDevice().state.texture, -1);
    std::swap(mesh.indices[1], mesh.indices[2]);  // reversed winding: culled
    std::swap(mesh.indices[4], mesh.indices[5]);
    Redraw();
    EXPECT_EQ(rt::Pixel(32, 32), 0u);
    mesh.doubleSided = 1;
    Redraw();
    EXPECT_EQ(rt::Pixel(32, 32), 0x20A040u);
    EXPECT_EQ(raster::GetDevice().state.cull, raster::CullMode::None);
}

TEST_F(RenderSbm, ThreeLayersDrawThreePassesWithTheLayerAlpha) {
    mesh.textureCount = 3;
    for (int k = 0; k < 3; ++k) {
        rt::AddTexture(k, 1, 1, {0xFF000000u | (0xFFu << (16 - 8 * k))}, false);  // red, green, blue
        mesh.textureHandles[k] = k;
        ASSERT_TRUE(mesh.AllocateTexCoords(k, 6));
    }
    mesh.layerAlpha = 0.5f;  // int(0.5 x 255) = 127
    r_RenderSBM(&mesh, colours, 0, 0);
    // Red, then green and blue each covering 129/256 of what lies beneath.
    EXPECT_EQ(rt::Pixel(32, 32), (62u << 16) | (63u << 8) | 128u);
    const raster::Device& dev = raster::GetDevice();
    EXPECT_TRUE(dev.state.alphaBlend);  // left on after a multi-layer mesh
    EXPECT_EQ(dev.state.blendMode, BLEND_TRANSLUCENT);
    EXPECT_EQ(dev.state.texture, 2);
    EXPECT_EQ(dev.tlBuffer[0].diffuse, 0x7FFFFFFFu);
    EXPECT_EQ(colours[0], 0xFFFFFFFFu);  // the caller's colours stay
}

TEST_F(RenderSbm, OutOfContractMeshesAreBoundedNotTrusted) {
    rt::AddTexture(0, 1, 1, {0xFFFFFFFF}, false);
    mesh.textureCount = 12;  // taken as 8; missing coordinate sets read as 0
    for (int k = 0; k < 8; ++k) mesh.textureHandles[k] = k == 0 ? 0 : -1;
    EXPECT_EQ(r_RenderSBM(&mesh, colours, 0, 0), 0);
    EXPECT_EQ(rt::Pixel(32, 32), 0xFFFFFFu);
    mesh.textureCount = 0;
    r_SetRenderState(RS_ALPHABLEND, 0);  // the layers above left blending on
    r_AllocMaxVtcs(3, nullptr);          // fewer TL vertices than the mesh has
    Redraw();
    EXPECT_EQ(rt::Pixel(40, 40), 0xFFFFFFu);  // triangle 0, 2, 1 fits
    EXPECT_EQ(rt::Pixel(24, 24), 0u);         // triangle 0, 3, 2 needs vertex 3
    r_AllocMaxVtcs(100, nullptr);
    mesh.indices[0] = 4;  // beyond the vertex count
    mesh.indices[3] = 7;
    Redraw();
    EXPECT_EQ(rt::CountPixels(0xFFFFFF), 0);
    r_FreeAllocatedVtcs(nullptr);  // no TL buffer: nothing drawn
    mesh.indices[0] = mesh.indices[3] = 0;
    Redraw();
    EXPECT_EQ(rt::CountPixels(0xFFFFFF), 0);
}

TEST_F(RenderSbm, MeshThroughTheCameraPlaneIsClippedNotWrapped) {
    // A floor under the camera reaching behind it, one vertex exactly on the
    // camera plane (z = 0) where the TL fields are infinite.
    const Vector3 p[4] = {{-2, -1, 0}, {2, -1, -4}, {2, -1, 40}, {-2, -1, 40}};
    std::copy(p, p + 4, mesh.positions);
    mesh.centre = {0, -1, 18};
    mesh.radius = 30;
    mesh.doubleSided = 1;
    EXPECT_NE(r_RenderSBM(&mesh, colours, 0, 0) & 1, 0);
    int upper = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) upper += rt::Pixel(x, y) != 0;
    EXPECT_EQ(upper, 0);
    EXPECT_GT(rt::CountPixels(0xFFFFFF), 200);
}

}  // namespace
