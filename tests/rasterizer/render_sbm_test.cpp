// r_RenderSBM: culling mode from the mesh, colours, one pass per texture layer
// with the layer alpha, and meshes that do not fit the TL buffer.
#include "raster_fixture.h"

namespace {

class RenderSbm : public rt::RasterTest {
protected:
    void SetUp() override {
        rt::MakeDevice(64, 64);
        const Matrix44 id = MatIdentity();
        r_SetFrustum(1.0f, 1.0f, 0.5f, 100.0f, nullptr);
        r_SetCamMatrix(&id);
        r_SetModelMatrix(&id);
        r_AllocMaxVtcs(100, nullptr);
        // A square facing the camera, covering the middle of the frame,
        // wound clockwise on screen.
        ASSERT_TRUE(mesh.Allocate(6));
        const Vector3 p[4] = {{-1, -1, 4}, {1, -1, 4}, {1, 1, 4}, {-1, 1, 4}};
        const uint32_t idx[6] = {0, 2, 1, 0, 3, 2};
        for (int i = 0; i < 4; ++i) mesh.positions[i] = p[i];
        for (int i = 0; i < 6; ++i) mesh.indices[i] = idx[i];
        mesh.vertexCount = 4;
        mesh.indexCount = 6;
        mesh.centre = {0, 0, 4};
        mesh.radius = 1.5f;
        for (uint32_t& c : colours) c = 0xFFFFFFFF;
    }
    CMesh mesh;
    uint32_t colours[6];
};

TEST_F(RenderSbm, UntexturedMeshUsesVertexColoursAndCullMode) {
    for (uint32_t& c : colours) c = 0xFF20A040;
    r_SetTexture(0, 3);
    EXPECT_EQ(r_RenderSBM(&mesh, colours, 0, 0), 0);
    EXPECT_EQ(rt::Pixel(32, 32), 0x20A040u);
    EXPECT_EQ(raster::GetDevice().state.texture, -1);
    EXPECT_EQ(raster::GetDevice().state.cull, raster::CullMode::CounterClockwise);
    // Reversed winding is culled unless the mesh is double-sided.
    std::swap(mesh.indices[1], mesh.indices[2]);
    std::swap(mesh.indices[4], mesh.indices[5]);
    rt::FillColour(0);
    rt::FillDepth(0xFFFF);
    r_RenderSBM(&mesh, colours, 0, 0);
    EXPECT_EQ(rt::Pixel(32, 32), 0u);
    mesh.doubleSided = 1;
    r_RenderSBM(&mesh, colours, 0, 0);
    EXPECT_EQ(rt::Pixel(32, 32), 0x20A040u);
    EXPECT_EQ(raster::GetDevice().state.cull, raster::CullMode::None);
}

TEST_F(RenderSbm, ThreeLayersDrawThreePassesWithTheLayerAlpha) {
    rt::AddTexture(0, 1, 1, {0xFFFF0000}, false);
    rt::AddTexture(1, 1, 1, {0xFF00FF00}, false);
    rt::AddTexture(2, 1, 1, {0xFF0000FF}, false);
    mesh.textureCount = 3;
    for (int k = 0; k < 3; ++k) {
        mesh.textureHandles[k] = k;
        ASSERT_TRUE(mesh.AllocateTexCoords(k, 6));
    }
    mesh.layerAlpha = 0.5f;  // int(0.5 x 255) = 127
    r_SetRenderState(RS_ZFUNC, 2);
    r_RenderSBM(&mesh, colours, 0, 0);
    // Pass 1 red; pass 2 green x (1 - 127/255) over it; pass 3 blue likewise.
    // Weights 129/256 for the source, 127/256 for what lies beneath.
    const uint32_t p = rt::Pixel(32, 32);
    EXPECT_EQ(p, (62u << 16) | (63u << 8) | 128u);
    const raster::Device& dev = raster::GetDevice();
    EXPECT_TRUE(dev.state.alphaBlend);  // left on after a multi-layer mesh
    EXPECT_EQ(dev.state.blendMode, BLEND_TRANSLUCENT);
    EXPECT_EQ(dev.state.texture, 2);
    EXPECT_EQ(dev.tlBuffer[0].diffuse, 0x7FFFFFFFu);
    EXPECT_EQ(colours[0], 0xFFFFFFFFu);  // the caller's colours stay
}

TEST_F(RenderSbm, OutOfContractMeshesAreBoundedNotTrusted) {
    rt::AddTexture(0, 1, 1, {0xFFFFFFFF}, false);
    mesh.textureCount = 12;  // taken as 8; the sets are missing: coordinates 0
    for (int k = 0; k < 8; ++k) mesh.textureHandles[k] = k == 0 ? 0 : -1;
    mesh.layerAlpha = 0.0f;
    EXPECT_EQ(r_RenderSBM(&mesh, colours, 0, 0), 0);
    EXPECT_EQ(rt::Pixel(32, 32), 0xFFFFFFu);

    // More vertices than the TL buffer: only triangles within it are drawn.
    r_AllocMaxVtcs(3, nullptr);
    mesh.textureCount = 0;
    r_SetRenderState(RS_ALPHABLEND, 0);  // the layers above left blending on
    rt::FillColour(0);
    rt::FillDepth(0xFFFF);
    r_RenderSBM(&mesh, colours, 0, 0);
    EXPECT_EQ(rt::Pixel(40, 40), 0xFFFFFFu);  // triangle 0, 2, 1 (lower right)
    EXPECT_EQ(rt::Pixel(24, 24), 0u);         // triangle 0, 3, 2 needs vertex 3
    // Indices beyond the vertex count drop their triangle.
    r_AllocMaxVtcs(100, nullptr);
    mesh.indices[0] = 4;
    mesh.indices[3] = 7;
    rt::FillColour(0);
    rt::FillDepth(0xFFFF);
    r_RenderSBM(&mesh, colours, 0, 0);
    EXPECT_EQ(rt::CountPixels(0xFFFFFF), 0);
    // Without a TL buffer nothing is drawn.
    r_FreeAllocatedVtcs(nullptr);
    mesh.indices[0] = 0;
    mesh.indices[3] = 0;
    r_RenderSBM(&mesh, colours, 0, 0);
    EXPECT_EQ(rt::CountPixels(0xFFFFFF), 0);
}

TEST_F(RenderSbm, MeshThroughTheCameraPlaneIsClippedNotWrapped) {
    // A long floor under the camera reaching behind it; one vertex exactly on
    // the camera plane (z = 0), where the TL fields are infinite.
    const Vector3 p[4] = {{-2, -1, 0}, {2, -1, -4}, {2, -1, 40}, {-2, -1, 40}};
    for (int i = 0; i < 4; ++i) mesh.positions[i] = p[i];
    mesh.centre = {0, -1, 18};
    mesh.radius = 30;
    mesh.doubleSided = 1;
    EXPECT_NE(r_RenderSBM(&mesh, colours, 0, 0) & 1, 0);
    int upper = 0, lower = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            if (rt::Pixel(x, y) != 0) ++(y < 32 ? upper : lower);
    EXPECT_EQ(upper, 0);
    EXPECT_GT(lower, 200);
}

}  // namespace
