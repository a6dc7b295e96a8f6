// The back-end module loaded the way the engine loads it (t7dxraster.dll found
// as t7dxraster.so beside the program), set up headless in the mode the program
// asks for (640 x 480 x 16, full screen on the offscreen card), and driven
// through its exported entries only.
//   RenderSbm   one r_RenderSBM of a 20,000-vertex, 3,333-triangle textured grid
//               filling most of the frame, depth cleared first; items = vertices.
//   Frame       a whole frame as the demo draws one: clear, depth clear, five
//               such meshes at different depths, a text line, r_SwapBuffers
//               (which presents into the offscreen window); items = frames.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/support/wavy_grid.h"
#include "common/vecmath.h"
#include "platform/platform.h"
#include "tessaly/raster_interface.h"

namespace {

struct Backend {
    void* library = nullptr;
    PlatWindow* window = nullptr;
    RasterFn_GetSysInfo GetSysInfo = nullptr;
    RasterFn_SeekMode SeekMode = nullptr;
    RasterFn_InitEngine InitEngine = nullptr;
    RasterFn_DeInitEngine DeInitEngine = nullptr;
    RasterFn_GetVideoModeData GetVideoModeData = nullptr;
    RasterFn_AllocMaxVtcs AllocMaxVtcs = nullptr;
    RasterFn_AllocMaxTextures AllocMaxTextures = nullptr;
    RasterFn_AddTexture AddTexture = nullptr;
    RasterFn_SetRenderState SetRenderState = nullptr;
    RasterFn_SetViewportArea SetViewportArea = nullptr;
    RasterFn_SetFrustum SetFrustum = nullptr;
    RasterFn_SetCamMatrix SetCamMatrix = nullptr;
    RasterFn_SetModelMatrix SetModelMatrix = nullptr;
    RasterFn_ClearScreen ClearScreen = nullptr;
    RasterFn_ClearZBuffer ClearZBuffer = nullptr;
    RasterFn_3DStart Start3D = nullptr;
    RasterFn_3DEnd End3D = nullptr;
    RasterFn_RenderSBM RenderSBM = nullptr;
    RasterFn_SysPrint SysPrint = nullptr;
    RasterFn_SwapBuffers SwapBuffers = nullptr;
    int width = 0, height = 0, bits = 0;
};

template <typename Fn>
void Bind(Backend& b, Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(plat_GetProcAddress(b.library, name));
    if (!fn) {
        std::fprintf(stderr, "backend_bench: t7dxraster.so has no %s\n", name);
        std::exit(1);
    }
}

// Loads and sets up the module once for the whole run.
Backend& TheBackend() {
    static Backend b = [] {
        Backend s;
        PlatOptions options{};
        options.headless = 1;
        plat_Configure(&options);
        s.window = plat_CreateWindow("backend_bench", 320, 200);
        s.library = plat_LoadLibrary("t7dxraster.dll");
        if (!s.library) {
            std::fprintf(stderr, "backend_bench: t7dxraster.dll not found\n");
            std::exit(1);
        }
        Bind(s, s.GetSysInfo, "GetSysInfo");
        Bind(s, s.SeekMode, "r_SeekMode");
        Bind(s, s.InitEngine, "r_InitEngine");
        Bind(s, s.DeInitEngine, "r_DeInitEngine");
        Bind(s, s.GetVideoModeData, "r_GetVideoModeData");
        Bind(s, s.AllocMaxVtcs, "r_AllocMaxVtcs");
        Bind(s, s.AllocMaxTextures, "r_AllocMaxTextures");
        Bind(s, s.AddTexture, "r_AddTexture");
        Bind(s, s.SetRenderState, "r_SetRenderState");
        Bind(s, s.SetViewportArea, "r_SetViewportArea");
        Bind(s, s.SetFrustum, "r_SetFrustum");
        Bind(s, s.SetCamMatrix, "r_SetCamMatrix");
        Bind(s, s.SetModelMatrix, "r_SetModelMatrix");
        Bind(s, s.ClearScreen, "r_ClearScreen");
        Bind(s, s.ClearZBuffer, "r_ClearZBuffer");
        Bind(s, s.Start3D, "r_3DStart");
        Bind(s, s.End3D, "r_3DEnd");
        Bind(s, s.RenderSBM, "r_RenderSBM");
        Bind(s, s.SysPrint, "r_SysPrint");
        Bind(s, s.SwapBuffers, "r_SwapBuffers");

        s.GetSysInfo();
        const int mode = s.SeekMode(0, 640, 480, 16, 0);
        if (mode < 0 || s.InitEngine(0, mode, 0, &s.window, EXCLUSIVEFULLSCREEN, nullptr) < 0) {
            std::fprintf(stderr, "backend_bench: no 640 x 480 x 16 mode\n");
            std::exit(1);
        }
        char reserved = 0;
        s.GetVideoModeData(0, mode, &s.width, &s.height, &s.bits, &reserved);
        s.AllocMaxVtcs(20000, nullptr);
        s.AllocMaxTextures(4, nullptr);
        // A 256 x 256 24-bit checker; the back-end builds the mip chain.
        std::vector<uint8_t> texels(256 * 256 * 3);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                uint8_t* t = &texels[(y * 256 + x) * 3];
                const bool light = ((x / 16 + y / 16) & 1) != 0;
                t[0] = light ? 0x80 : 0x60;
                t[1] = light ? 0xC0 : static_cast<uint8_t>(0x40 + x / 4);
                t[2] = light ? 0xE0 : 0x30;
            }
        s.AddTexture(0, 256, 256, 24, texels.data(), "checker", 0, nullptr);
        s.SetViewportArea(0, 0, 1.0f, 1.0f, nullptr);
        s.SetFrustum(1.0f, 1.0f, 0.5f, 1000.0f, nullptr);
        s.SetRenderState(RS_BILINEAR, 1);
        const Matrix44 id = MatIdentity();
        s.SetCamMatrix(&id);
        return s;
    }();
    return b;
}

using bench_support::WavyGrid;

Matrix44 At(float x, float z) {
    Matrix44 m = MatIdentity();
    m.m[12] = x;
    m.m[14] = z;
    return m;
}

void RenderSbm(benchmark::State& state) {
    Backend& b = TheBackend();
    WavyGrid grid;
    const Matrix44 model = At(0, 12);
    b.SetModelMatrix(&model);
    for (auto _ : state) {
        b.ClearZBuffer(1.0f, nullptr);
        b.Start3D();
        b.RenderSBM(&grid.mesh, grid.colours.data(), 0, 0);
        b.End3D();
    }
    state.SetItemsProcessed(state.iterations() * 20000);
    state.counters["width"] = b.width;
    state.counters["height"] = b.height;
    state.counters["bits"] = b.bits;
}

void Frame(benchmark::State& state) {
    Backend& b = TheBackend();
    WavyGrid grid;
    const Matrix44 models[5] = {At(-6, 30), At(6, 30), At(-3, 20), At(3, 20), At(0, 14)};
    for (auto _ : state) {
        b.ClearScreen(0, nullptr);
        b.ClearZBuffer(1.0f, nullptr);
        b.Start3D();
        for (const Matrix44& m : models) {
            b.SetModelMatrix(&m);
            b.RenderSBM(&grid.mesh, grid.colours.data(), 0, 0);
        }
        b.End3D();
        b.SysPrint("24.000 Fps", 0, 0, 0x7f);
        b.SwapBuffers(0);
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(RenderSbm)->Unit(benchmark::kMillisecond);
BENCHMARK(Frame)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
