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

#include <cmath>
#include <random>
#include <vector>

#include "raster/raster_device.h"
#include "raster/rasterizer/draw_queue.h"
#include "raster/rasterizer/rasterizer.h"
#include "raster/rasterizer/walkers.h"

TESSALY_EXPORT int r_SetRenderState(int code, int value);
TESSALY_EXPORT int r_SetTexture(int stage, int handle);
TESSALY_EXPORT int r_SimpleTLRender(const TLVertex* vertices, int vertexCount, int clip, int reserved);
TESSALY_EXPORT int r_SetCamMatrix(const Matrix44* camera);
TESSALY_EXPORT int r_SetModelMatrix(const Matrix44* model);
TESSALY_EXPORT int r_SetFrustum(float fieldOfView, float aspect, float nearDistance, float farDistance,
                                r_MsgCallback cb);
TESSALY_EXPORT int r_AllocMaxVtcs(int count, r_MsgCallback cb);
TESSALY_EXPORT int r_FreeAllocatedVtcs(r_MsgCallback cb);
TESSALY_EXPORT int r_RenderSBM(CMesh* mesh, const uint32_t* colours, int reserved1, int reserved2);

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
    raster::Texture& t = dev.textures[0];
    int size = 256;
    raster::TextureLevel level{size, size, std::vector<uint32_t>(static_cast<size_t>(size) * size)};
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            level.texels[y * size + x] = ((x / 16 + y / 16) & 1) ? 0xFFE0C080u : 0xFF304060u ^ (x * 0x010203u);
    t.levels.push_back(level);
    while (size > 1) {
        const raster::TextureLevel& s = t.levels.back();
        raster::TextureLevel d{size / 2, size / 2, std::vector<uint32_t>(static_cast<size_t>(size / 2) * (size / 2))};
        for (int y = 0; y < d.height; ++y)
            for (int x = 0; x < d.width; ++x) {
                uint32_t out = 0;
                for (int sh = 0; sh < 32; sh += 8) {
                    uint32_t sum = 0;
                    for (int k = 0; k < 4; ++k)
                        sum += (s.texels[(2 * y + k / 2) * s.width + 2 * x + k % 2] >> sh) & 255;
                    out |= (sum / 4) << sh;
                }
                d.texels[y * d.width + x] = out;
            }
        t.levels.push_back(std::move(d));
        size /= 2;
    }
}

void ClearDepth() {
    raster::Device& dev = raster::GetDevice();
    std::fill(dev.depth.samples.begin(), dev.depth.samples.end(), 0xFF);
}

TLVertex V(float x, float y, float z, float rhw, float u, float v, uint32_t c) {
    TLVertex t{};
    t.sx = x;
    t.sy = y;
    t.sz = z;
    t.rhw = rhw;
    t.diffuse = c;
    t.tex[0][0] = u;
    t.tex[0][1] = v;
    return t;
}

// Four full-frame quads, each a plane tilted in depth (rhw from 1 at the
// bottom to 0.4 at the top), drawn far to near.
std::vector<TLVertex> FullFrameLayers() {
    std::vector<TLVertex> v;
    for (int layer = 0; layer < 4; ++layer) {
        const float z = 0.8f - 0.15f * layer;
        const float o = 0.37f * layer;
        const TLVertex a = V(0, 0, z, 0.4f, o, o, 0xFFFFFFFF), b = V(kW, 0, z, 0.4f, o + 1.5f, o, 0xFFC0C0C0);
        const TLVertex c = V(kW, kH, z, 1.0f, o + 3, o + 2.5f, 0xFFFFFFFF),
                       d = V(0, kH, z, 1.0f, o, o + 2.5f, 0xFF808080);
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
        v.push_back(V(x, y, z, 1, u, w, 0xFFFFFFFF));
        v.push_back(V(x + 6.3f, y, z, 1, u + 0.03f, w, 0xFFA0A0A0));
        v.push_back(V(x, y + 6.3f, z, 1, u, w + 0.03f, 0xFF606060));
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
    // A wavy grid of 3,333 triangles (19,998 unwelded corners + 2), one texture layer.
    CMesh mesh;
    mesh.Allocate(20000);
    mesh.AllocateTexCoords(0, 20000);
    std::vector<uint32_t> colours(20000, 0xFFE0E0E0);
    constexpr int kCols = 58;  // quads per row: 58 x 2 triangles
    int n = 0;
    for (int q = 0; n + 6 <= 20000; ++q) {
        const float x = static_cast<float>(q % kCols), y = static_cast<float>(q / kCols);
        const float cx[4] = {x, x + 1, x + 1, x}, cy[4] = {y, y, y + 1, y + 1};
        const int order[6] = {0, 2, 1, 0, 3, 2};
        for (int k : order) {
            mesh.positions[n] = {(cx[k] - kCols / 2.0f) * 0.25f, (cy[k] - 29) * 0.25f, 0.3f * std::sin(cx[k] * 0.7f)};
            mesh.texCoords[0][n] = {cx[k] / 8, cy[k] / 8};
            mesh.indices[n] = static_cast<uint32_t>(n);
            ++n;
        }
    }
    mesh.vertexCount = 20000;
    mesh.indexCount = n;
    mesh.centre = {0, 0, 0};
    mesh.radius = 12;
    mesh.textureCount = 1;
    mesh.textureHandles[0] = 0;
    for (auto _ : state) {
        ClearDepth();
        r_RenderSBM(&mesh, colours.data(), 0, 0);
        raster::FinishDrawing();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 20000);
    r_FreeAllocatedVtcs(nullptr);
    raster::SetDrawThreads(1);
}

}  // namespace

// Width, height, bits, threads, AVX2.
BENCHMARK(FillBilinear)
    ->ArgNames({"w", "h", "bits", "threads", "avx2"})
    ->Args({640, 480, 16, 1, 0})
    ->Args({640, 480, 32, 1, 0})
    ->Args({640, 480, 16, 1, 1})
    ->Args({640, 480, 16, 2, 1})
    ->Args({640, 480, 32, 1, 1})
    ->Args({640, 480, 32, 2, 1})
    ->Args({1920, 1080, 16, 1, 1})
    ->Args({1920, 1080, 16, 2, 1})
    ->Args({1920, 1080, 32, 1, 1})
    ->Args({1920, 1080, 32, 2, 1})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(FillBilinearAdditive)
    ->ArgNames({"w", "h", "bits", "threads", "avx2"})
    ->Args({640, 480, 16, 1, 0})
    ->Args({640, 480, 16, 1, 1})
    ->Args({640, 480, 16, 2, 1})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(SmallTriangles)
    ->ArgNames({"w", "h", "bits", "threads", "avx2"})
    ->Args({640, 480, 16, 1, 0})
    ->Args({640, 480, 16, 1, 1})
    ->Args({640, 480, 16, 2, 1})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(RenderSbm)
    ->ArgNames({"w", "h", "bits", "threads", "avx2"})
    ->Args({640, 480, 16, 1, 1})
    ->Args({640, 480, 16, 2, 1})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
