// The drawing exports of t7dxraster.so loaded as the engine loads it: a
// textured mesh drawn through r_RenderSBM after r_InitEngine lands in the frame
// and its depth in the depth buffer.
#include <gtest/gtest.h>

#include <vector>

#include "common/vecmath.h"
#include "platform/platform.h"
#include "tessaly/raster_interface.h"
#include "test_meshes.h"
#include "tests/platform/platform_test_support.h"

namespace {

TEST(RasterizerExports, MeshDrawnThroughTheLoadedBackEnd) {
    ASSERT_EQ(platform_test::ConfigureHeadless(), 0);
    void* lib = plat_LoadLibrary("t7dxraster.dll");
    ASSERT_NE(lib, nullptr);
    RasterEntryTable r{};
#define BIND(field, name)                                                          \
    r.field = reinterpret_cast<decltype(r.field)>(plat_GetProcAddress(lib, name)); \
    ASSERT_NE(r.field, nullptr) << name
    BIND(GetSysInfo, "GetSysInfo");
    BIND(SeekMode, "r_SeekMode");
    BIND(InitEngine, "r_InitEngine");
    BIND(DeInitEngine, "r_DeInitEngine");
    BIND(SetViewportArea, "r_SetViewportArea");
    BIND(ClearZBuffer, "r_ClearZBuffer");
    BIND(SetFrustum, "r_SetFrustum");
    BIND(SetCamMatrix, "r_SetCamMatrix");
    BIND(SetModelMatrix, "r_SetModelMatrix");
    BIND(AllocMaxVtcs, "r_AllocMaxVtcs");
    BIND(FreeAllocatedVtcs, "r_FreeAllocatedVtcs");
    BIND(AllocMaxTextures, "r_AllocMaxTextures");
    BIND(FreeAllocatedTextures, "r_FreeAllocatedTextures");
    BIND(AddTexture, "r_AddTexture");
    BIND(Start3D, "r_3DStart");
    BIND(End3D, "r_3DEnd");
    BIND(RenderSBM, "r_RenderSBM");
    BIND(ZTest, "r_ZTest");
    BIND(LockBackBufferPointer, "r_LockBackBufferPointer");
    BIND(ReleaseBackBufferPointer, "r_ReleaseBackBufferPointer");
    BIND(SetRenderState, "r_SetRenderState");
    BIND(SetTexture, "r_SetTexture");
    BIND(SimpleTLRender, "r_SimpleTLRender");
    BIND(SimpleIndexedTLRender, "r_SimpleIndexedTLRender");
    BIND(TransformIntoCamSpace, "r_TransformIntoCamSpace");
    BIND(FullVertexCamWork, "r_FullVertexCamWork");
    BIND(TransformInto2DSpace, "r_TransformInto2DSpace");
#undef BIND
    EXPECT_EQ(plat_GetProcAddress(lib, "_ZN6raster13DrawTrianglesERNS_6DeviceERKNS_13TriangleBatchE"), nullptr);

    ASSERT_GE(r.GetSysInfo(), 1);
    PlatWindow* window = nullptr;
    ASSERT_EQ(r.InitEngine(0, r.SeekMode(0, 320, 200, 16, 0), 0, &window, EXCLUSIVEFULLSCREEN, nullptr), 0);
    r.SetViewportArea(0, 0, 1, 1, nullptr);
    r.SetFrustum(1.0f, 1.0f, 0.5f, 100.0f, nullptr);
    r.ClearZBuffer(1.0f, nullptr);
    r.AllocMaxVtcs(100, nullptr);
    r.AllocMaxTextures(4, nullptr);
    std::vector<uint8_t> white(8 * 8 * 3, 255);
    ASSERT_EQ(r.AddTexture(-1, 8, 8, 24, white.data(), "WHITE", 0, nullptr), 0);

    CMesh mesh;
    ASSERT_TRUE(rt::FacingSquare(mesh) && mesh.AllocateTexCoords(0, 6));
    mesh.textureCount = 1;
    mesh.textureHandles[0] = 0;
    const uint32_t colours[4] = {0xFF00FF00, 0xFF00FF00, 0xFF00FF00, 0xFF00FF00};
    const Matrix44 id = MatIdentity();
    r.SetCamMatrix(&id);
    r.SetModelMatrix(&id);
    r.Start3D();
    EXPECT_EQ(r.RenderSBM(&mesh, colours, 0, 0), 0);
    r.End3D();
    int pitch = 0, bits = 0;
    const uint8_t* copy = r.LockBackBufferPointer(&pitch, &bits);
    ASSERT_NE(copy, nullptr);
    const uint8_t* centre = copy + 100 * pitch + 160 * 3;  // blue, green, red
    EXPECT_TRUE(centre[0] == 0 && centre[1] >= 250 && centre[2] == 0);
    r.ReleaseBackBufferPointer();
    const unsigned sz = static_cast<unsigned>((100.0f / 99.5f) * (1.0f - 0.5f / 4.0f) * 65535.0f);
    EXPECT_EQ(r.ZTest(160, 100, 161, 101, sz - 40), 1);
    EXPECT_EQ(r.ZTest(160, 100, 161, 101, sz + 40), 0);

    r.FreeAllocatedVtcs(nullptr);
    r.FreeAllocatedTextures(nullptr);
    r.DeInitEngine();
    plat_FreeLibrary(lib);
}

}  // namespace
