// The fast walker with the AVX2 block shader. Everything shared is included
// first, for the baseline instruction set; only what follows the target
// pragma is built for AVX2 (the shared inline helpers are built again for it
// where they are inlined there), so no baseline code can end up with AVX2
// instructions. FillTriangleFast calls this only on processors with AVX2.
#include "raster/rasterizer/block_pipeline.h"
#include "raster/rasterizer/pixel_pipeline.h"
#include "raster/rasterizer/walkers.h"

#pragma GCC push_options
#pragma GCC target("avx2")

#include "raster/rasterizer/block_pipeline_avx2.h"
#include "raster/rasterizer/fast_walker.h"

namespace raster {

void FillTriangleFastAvx2(const DrawContext& dc, const TriangleSetup& ts) {
    WithPixelConfig(dc, [&](auto cfg) { FastTriangle<Avx2Blocks, decltype(cfg)>(dc, ts); });
}

}  // namespace raster

#pragma GCC pop_options
