// The reference pixel walker: simple enough to be checked by eye, and the
// yardstick for the fast walker (they must agree to the byte).
#include "raster/rasterizer/pixel_pipeline.h"
#include "raster/rasterizer/walkers.h"

namespace raster {

namespace {

template <class Cfg>
void ReferenceTriangle(const DrawContext& dc, const TriangleSetup& ts) {
    for (int y = ts.minY; y <= ts.maxY; ++y) {
        uint8_t* colourRow = dc.colour + static_cast<size_t>(y) * static_cast<size_t>(dc.colourPitch);
        uint8_t* depthRow = dc.depth ? dc.depth + static_cast<size_t>(y) * static_cast<size_t>(dc.depthPitch) : nullptr;
        for (int x = ts.minX; x <= ts.maxX; ++x) {
            int coverage = 16;
            if (dc.antialias) {
                coverage = SampleCoverage(ts, x, y);
                if (coverage == 0) continue;
            } else if (ts.edge[0].At(x, y) < 0 || ts.edge[1].At(x, y) < 0 || ts.edge[2].At(x, y) < 0) {
                continue;
            }
            PixelInputs in;
            EvaluatePlanes(ts, x, y, in);
            ShadePixel<Cfg>(dc, ts, colourRow, depthRow, x, y, in.v, coverage);
        }
    }
}

}  // namespace

void FillTriangleReference(const DrawContext& dc, const TriangleSetup& ts) {
    WithPixelConfig(dc, [&](auto cfg) { ReferenceTriangle<decltype(cfg)>(dc, ts); });
}

}  // namespace raster
