// The fast pixel walker (fast_walker.h), with the SSE2 block shader, or the
// AVX2 one where the processor has it.
#include "raster/rasterizer/fast_walker.h"
#include "raster/rasterizer/walkers.h"

namespace raster {

namespace {

// -1 until first asked: whether the processor runs AVX2; then the block
// shader in use (tests may force the SSE2 one).
int g_wideBlocks = -1;

bool WideBlocks() {
    if (g_wideBlocks < 0) g_wideBlocks = ProcessorHasAvx2() ? 1 : 0;
    return g_wideBlocks == 1;
}

}  // namespace

bool ProcessorHasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}

bool UseAvx2Blocks(bool wanted) {
    g_wideBlocks = wanted && ProcessorHasAvx2() ? 1 : 0;
    return g_wideBlocks == 1;
}

bool Avx2BlocksInUse() { return WideBlocks(); }

void FillTriangleFast(const DrawContext& dc, const TriangleSetup& ts) {
    if (dc.antialias) {
        FillTriangleReference(dc, ts);
        return;
    }
    if (WideBlocks()) {
        FillTriangleFastAvx2(dc, ts);
        return;
    }
    WithPixelConfig(dc, [&](auto cfg) { FastTriangle<Sse2Blocks, decltype(cfg)>(dc, ts); });
}

}  // namespace raster
