// The drawing exports of t7dxraster.so loaded the way the engine loads it:
// every entry binds by name with its boundary type, and a mesh drawn through
// r_RenderSBM after r_InitEngine lands in the frame with a textured, depth-
// tested look.
#include <gtest/gtest.h>

#include <vector>

#include "platform/platform.h"
#include "tessaly/raster_interface.h"

namespace {

template <class T>
T Bind(void* library, const char* name) {
    return reinterpret_cast<T>(plat_GetProcAddress(library, name));
}

TEST(RasterizerExports, MeshDrawnThroughTheLoadedBackEnd) {
    PlatOptions options{};
    options.headless = 1;
    ASSERT_EQ(plat_Configure(&options), 0);
    void* lib = plat_LoadLibrary("t7dxraster.dll");
    ASSERT_NE(lib, nullptr);
    auto getSysInfo = Bind<RasterFn_GetSysInfo>(lib, "GetSysInfo");
    auto seekMode = Bind<RasterFn_SeekMode>(lib, "r_SeekMode");
    auto initEngine = Bind<RasterFn_InitEngine>(lib, "r_InitEngine");
    auto deInit = Bind<RasterFn_DeInitEngine>(lib, "r_DeInitEngine");
    auto viewport = Bind<RasterFn_SetViewportArea>(lib, "r_SetViewportArea");
    auto clear = Bind<RasterFn_ClearScreen>(lib, "r_ClearScreen");
    auto clearZ = Bind<RasterFn_ClearZBuffer>(lib, "r_ClearZBuffer");
    auto frustum = Bind<RasterFn_SetFrustum>(lib, "r_SetFrustum");
    auto cam = Bind<RasterFn_SetCamMatrix>(lib, "r_SetCamMatrix");
    auto model = Bind<RasterFn_SetModelMatrix>(lib, "r_SetModelMatrix");
    auto allocVtcs = Bind<RasterFn_AllocMaxVtcs>(lib, "r_AllocMaxVtcs");
    auto freeVtcs = Bind<RasterFn_FreeAllocatedVtcs>(lib, "r_FreeAllocatedVtcs");
    auto allocTex = Bind<RasterFn_AllocMaxTextures>(lib, "r_AllocMaxTextures");
    auto freeTex = Bind<RasterFn_FreeAllocatedTextures>(lib, "r_FreeAllocatedTextures");
    auto addTex = Bind<RasterFn_AddTexture>(lib, "r_AddTexture");
    auto start = Bind<RasterFn_3DStart>(lib, "r_3DStart");
    auto end = Bind<RasterFn_3DEnd>(lib, "r_3DEnd");
    auto renderSbm = Bind<RasterFn_RenderSBM>(lib, "r_RenderSBM");
    auto zTest = Bind<RasterFn_ZTest>(lib, "r_ZTest");
    auto lockBack = Bind<RasterFn_LockBackBufferPointer>(lib, "r_LockBackBufferPointer");
    auto releaseBack = Bind<RasterFn_ReleaseBackBufferPointer>(lib, "r_ReleaseBackBufferPointer");
    for (const char* name : {"r_SetRenderState", "r_SetTexture", "r_SimpleTLRender", "r_SimpleIndexedTLRender",
                             "r_TransformIntoCamSpace", "r_FullVertexCamWork", "r_TransformInto2DSpace"})
        EXPECT_NE(plat_GetProcAddress(lib, name), nullptr) << name;
    ASSERT_TRUE(getSysInfo && seekMode && initEngine && deInit && viewport && clear && clearZ && frustum && cam &&
                model && allocVtcs && freeVtcs && allocTex && freeTex && addTex && start && end && renderSbm &&
                zTest && lockBack && releaseBack);
    // Nothing but the documented C functions leaves the library.
    EXPECT_EQ(plat_GetProcAddress(lib, "_ZN6raster13DrawTrianglesERNS_6DeviceERKNS_13TriangleBatchE"), nullptr);

    ASSERT_GE(getSysInfo(), 1);
    PlatWindow* window = nullptr;
    ASSERT_EQ(initEngine(0, seekMode(0, 320, 200, 16, 0), 0, &window, EXCLUSIVEFULLSCREEN, nullptr), 0);
    viewport(0, 0, 1, 1, nullptr);
    frustum(1.0f, 1.0f, 0.5f, 100.0f, nullptr);
    clear(0xFF000000u, nullptr);
    clearZ(1.0f, nullptr);
    allocVtcs(100, nullptr);
    allocTex(4, nullptr);
    std::vector<uint8_t> white(8 * 8 * 3, 255);
    ASSERT_EQ(addTex(-1, 8, 8, 24, white.data(), "WHITE", 0, nullptr), 0);

    CMesh mesh;
    ASSERT_TRUE(mesh.Allocate(6));
    ASSERT_TRUE(mesh.AllocateTexCoords(0, 6));
    const Vector3 p[4] = {{-1, -1, 4}, {1, -1, 4}, {1, 1, 4}, {-1, 1, 4}};
    const uint32_t idx[6] = {0, 2, 1, 0, 3, 2};
    for (int i = 0; i < 4; ++i) mesh.positions[i] = p[i];
    for (int i = 0; i < 6; ++i) mesh.indices[i] = idx[i];
    mesh.vertexCount = 4;
    mesh.indexCount = 6;
    mesh.centre = {0, 0, 4};
    mesh.radius = 1.5f;
    mesh.textureCount = 1;
    mesh.textureHandles[0] = 0;
    const uint32_t colours[4] = {0xFF00FF00, 0xFF00FF00, 0xFF00FF00, 0xFF00FF00};
    const Matrix44 id = MatIdentity();
    cam(&id);
    model(&id);
    start();
    EXPECT_EQ(renderSbm(&mesh, colours, 0, 0), 0);
    end();
    int pitch = 0, bits = 0;
    const uint8_t* copy = lockBack(&pitch, &bits);
    ASSERT_NE(copy, nullptr);
    const uint8_t* centre = copy + 100 * pitch + 160 * 3;
    EXPECT_EQ(centre[0], 0);    // blue
    EXPECT_GE(centre[1], 250);  // green
    EXPECT_EQ(centre[2], 0);    // red
    releaseBack();
    // The quad's depth (sz at z = 4) is in the depth buffer now.
    const unsigned sz = static_cast<unsigned>((100.0f / 99.5f) * (1.0f - 0.5f / 4.0f) * 65535.0f);
    EXPECT_EQ(zTest(160, 100, 161, 101, sz - 40), 1);
    EXPECT_EQ(zTest(160, 100, 161, 101, sz + 40), 0);
    EXPECT_EQ(zTest(0, 0, 1, 1, 65535), 1);  // untouched corner: far

    freeVtcs(nullptr);
    freeTex(nullptr);
    deInit();
    plat_FreeLibrary(lib);
}

}  // namespace
