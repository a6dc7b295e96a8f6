// Rasterizer speed into a frame with a 16-bit depth buffer. Arguments: frame
// width, height, bits per pixel (16 or 32), drawing threads, and the block
// shader (1 AVX2 where the processor has it, 0 SSE2). The CPU time is
// the whole process's (every drawing thread), the iterations are timed by the
// wall clock; each iteration ends with the frame finished.
//   Fill*           full-frame perspective-textured, bilinear (mip-blended),
//                   depth-tested quads, four layers drawn back to front so that
//                   every layer passes the depth test (overdraw 4); items = pixels.
//   SmallTriangles  about 20-pixel textured, Gouraud, depth-tested triangles;
//                   items = triangles.
//   RenderSbm       a 20,000-vertex mesh through r_RenderSBM; items = vertices.
#include <benchmark/benchmark.h>

#include <array>
#include <random>
#include <vector>

#include "bench/support/wavy_grid.h"
#include "tests/raster/rasterizer/hand_built_device.h"

namespace {

int kW = 640, kH = 480;

// The frame of the benchmark's arguments (width, height, bits, threads).
void MakeDevice(const benchmark::State& state) {
    kW = static_cast<int>(state.range(0));
    kH = static_cast<int>(state.range(1));
    const bool wide = state.range(2) == 32;
    raster::SetDrawThreads(static_cast<int>(state.range(3)));
    raster::UseAvx2Blocks(state.range(4) != 0);
    raster::Device& dev = raster::GetDevice();
    dev.back = {};
    dev.back.width = kW;
    dev.back.height = kH;
    dev.back.format = wide ? raster::PixelFormat::XRGB8888 : raster::PixelFormat::RGB565;
    dev.back.pitch = kW * (wide ? 4 : 2);
    dev.back.pixels.assign(static_cast<size_t>(dev.back.pitch) * kH, 0);
    dev.depth = {};
    dev.depth.width = kW;
    dev.depth.height = kH;
    dev.depth.bits = 16;
    dev.depth.pitch = kW * 2;
    dev.depth.samples.assign(static_cast<size_t>(dev.depth.pitch) * kH, 0xFF);
    dev.viewport = {};
    raster::ResetRenderStates();
    // A 256 x 256 checker with a full mip chain (2 x 2 box filter).
    dev.textures.assign(4, raster::Texture{});
    constexpr int kSize = 256;
    std::vector<uint32_t> checker(static_cast<size_t>(kSize) * kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            checker[y * kSize + x] = ((x / 16 + y / 16) & 1) ? 0xFFE0C080u : 0xFF304060u ^ (x * 0x010203u);
    rt::AddTexture(0, kSize, kSize, checker, true);
}

void ClearDepth() {
    raster::Device& dev = raster::GetDevice();
    std::fill(dev.depth.samples.begin(), dev.depth.samples.end(), 0xFF);
}

// Four full-frame quads, each a plane tilted in depth (rhw from 1 at the
// bottom to 0.4 at the top), drawn far to near.
std::vector<TLVertex> FullFrameLayers() {
    std::vector<TLVertex> v;
    for (int layer = 0; layer < 4; ++layer) {
        const float z = 0.8f - 0.15f * layer;
        const float o = 0.37f * layer;
        const TLVertex a = rt::V(0, 0, z, 0xFFFFFFFF, o, o, 0.4f), b = rt::V(kW, 0, z, 0xFFC0C0C0, o + 1.5f, o, 0.4f);
        const TLVertex c = rt::V(kW, kH, z, 0xFFFFFFFF, o + 3, o + 2.5f, 1.0f),
                       d = rt::V(0, kH, z, 0xFF808080, o, o + 2.5f, 1.0f);
        v.insert(v.end(), {a, b, c, a, c, d});
    }
    return v;
}

void RunFill(benchmark::State& state, int blendMode) {
    MakeDevice(state);
    r_SetTexture(0, 0);
    r_SetRenderState(RS_BILINEAR, 1);
    if (blendMode) {
        r_SetRenderState(RS_ALPHABLEND, 1);
        r_SetRenderState(RS_BLENDMODE, blendMode);
    }
    const std::vector<TLVertex> v = FullFrameLayers();
    for (auto _ : state) {
        ClearDepth();
        r_SimpleTLRender(v.data(), static_cast<int>(v.size()), 1, 0);
        raster::FinishDrawing();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 4LL * kW * kH);
    raster::SetDrawThreads(1);
}

void FillBilinear(benchmark::State& state) { RunFill(state, 0); }
void FillBilinearAdditive(benchmark::State& state) { RunFill(state, BLEND_ADDITIVE); }

void SmallTriangles(benchmark::State& state) {
    MakeDevice(state);
    r_SetTexture(0, 0);
    r_SetRenderState(RS_BILINEAR, 1);
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> px(0, kW - 8), py(0, kH - 8), unit(0, 1);
    std::vector<TLVertex> v;
    constexpr int kCount = 20000;
    for (int i = 0; i < kCount; ++i) {
        const float x = px(rng), y = py(rng), z = unit(rng), u = unit(rng), w = unit(rng);
        // Legs of 6.3 pixels: about 20 pixels each.
        v.push_back(rt::V(x, y, z, 0xFFFFFFFF, u, w, 1));
        v.push_back(rt::V(x + 6.3f, y, z, 0xFFA0A0A0, u + 0.03f, w, 1));
        v.push_back(rt::V(x, y + 6.3f, z, 0xFF606060, u, w + 0.03f, 1));
    }
    for (auto _ : state) {
        ClearDepth();
        r_SimpleTLRender(v.data(), static_cast<int>(v.size()), 1, 0);
        raster::FinishDrawing();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
    raster::SetDrawThreads(1);
}

void RenderSbm(benchmark::State& state) {
    MakeDevice(state);
    r_SetRenderState(RS_BILINEAR, 1);
    const Matrix44 id = MatIdentity();
    r_SetFrustum(1.2f, 1.0f, 0.5f, 100.0f, nullptr);
    r_SetCamMatrix(&id);
    Matrix44 model = MatIdentity();
    model.m[14] = 12.0f;
    r_SetModelMatrix(&model);
    r_AllocMaxVtcs(20000, nullptr);
    bench_support::WavyGrid grid;
    for (auto _ : state) {
        ClearDepth();
        r_RenderSBM(&grid.mesh, grid.colours.data(), 0, 0);
        raster::FinishDrawing();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 20000);
    r_FreeAllocatedVtcs(nullptr);
    raster::SetDrawThreads(1);
}

}  // namespace

// The runs of each benchmark: width, height, bits, threads, AVX2.
using Run = std::array<int64_t, 5>;
constexpr Run kFillRuns[] = {{640, 480, 16, 1, 0},   {640, 480, 32, 1, 0},   {640, 480, 16, 1, 1},
                             {640, 480, 16, 2, 1},   {640, 480, 32, 1, 1},   {640, 480, 32, 2, 1},
                             {1920, 1080, 16, 1, 1}, {1920, 1080, 16, 2, 1}, {1920, 1080, 32, 1, 1},
                             {1920, 1080, 32, 2, 1}};
constexpr Run kSmallFrameRuns[] = {{640, 480, 16, 1, 0}, {640, 480, 16, 1, 1}, {640, 480, 16, 2, 1}};
constexpr Run kMeshRuns[] = {{640, 480, 16, 1, 1}, {640, 480, 16, 2, 1}};

template <const auto& Runs>
void Frames(benchmark::internal::Benchmark* b) {
    b->ArgNames({"w", "h", "bits", "threads", "avx2"});
    for (const Run& r : Runs) b->Args({r[0], r[1], r[2], r[3], r[4]});
    b->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK(FillBilinear)->Apply(Frames<kFillRuns>);
BENCHMARK(FillBilinearAdditive)->Apply(Frames<kSmallFrameRuns>);
BENCHMARK(SmallTriangles)->Apply(Frames<kSmallFrameRuns>);
BENCHMARK(RenderSbm)->Apply(Frames<kMeshRuns>);
BENCHMARK_MAIN();
