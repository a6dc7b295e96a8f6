// The same 100,000-polygon geometry read and exported as an LWO2 object with
// a UV map and as an LWOB object with a cylindrical image map: the second
// generation should cost no more CPU time than the first.
#include <benchmark/benchmark.h>

#include <cmath>

#include "load_and_export.h"
#include "lwo_test_support.h"

using namespace lwotest;

namespace {

constexpr int kAround = 250;  // segments round the ring
constexpr int kAcross = 200;  // segments round the tube: 50,000 points, 100,000 triangles

// A torus of triangles, smoothed; LWO2 with a UV map (a corner override on
// every corner that closes the map's seams), LWOB with a cylindrical map.
const std::string& TorusFile(bool lwo2) {
    static std::string paths[2];
    std::string& path = paths[lwo2 ? 1 : 0];
    if (!path.empty()) return path;
    const std::vector<Vector3> points = TorusPoints(kAround, kAcross);
    auto at = [](int u, int v) { return uint32_t((u % kAround) * kAcross + v % kAcross); };
    std::vector<Polygon> triangles;
    for (int i = 0; i < kAround; ++i)
        for (int j = 0; j < kAcross; ++j) {
            triangles.push_back({{at(i, j), at(i, j + 1), at(i + 1, j + 1)}, 1});
            triangles.push_back({{at(i, j), at(i + 1, j + 1), at(i + 1, j)}, 1});
        }
    path = TempPath(lwo2 ? "torus2.lwo" : "torusb.lwo");
    if (!lwo2) {
        const Bytes surface = Bytes()
                                  .Text("Torus")
                                  .Sub("FLAG", U16(0x4))
                                  .Sub("SMAN", F32(1.0f))
                                  .Sub("CTEX", Text("Cylindrical Image Map"))
                                  .Sub("TFLG", U16(2))
                                  .Sub("TSIZ", Vec(8, 2, 8))
                                  .Sub("TIMG", Text("torus.tga"));
        WriteFile(path, OneSurfaceLwob("Torus", points, triangles, surface));
        return path;
    }
    Bytes pols, tags, vmap, vmad;
    pols.Id("FACE");
    tags.Id("SURF");
    vmap.Id("TXUV").U16(2).Text("UV");
    vmad.Id("TXUV").U16(2).Text("UV");
    for (uint32_t p = 0; p < points.size(); ++p)
        vmap.VX(p).F32(float(p / kAcross) / kAround).F32(float(p % kAcross) / kAcross);
    for (uint32_t t = 0; t < triangles.size(); ++t) {
        pols.U16(3);
        const int i = int(t / 2 / kAcross), j = int(t / 2 % kAcross);
        for (uint32_t c : triangles[t].corners) {
            pols.VX(c);
            // Corners on the far side of a seam take u or v = 1.
            const int ci = int(c / kAcross), cj = int(c % kAcross);
            if ((ci == 0 && i == kAround - 1) || (cj == 0 && j == kAcross - 1))
                vmad.VX(c)
                    .VX(t)
                    .F32(ci == 0 && i == kAround - 1 ? 1.0f : float(ci) / kAround)
                    .F32(cj == 0 && j == kAcross - 1 ? 1.0f : float(cj) / kAcross);
        }
        tags.VX(t).U16(0);
    }
    const Bytes image = Bytes()
                            .Sub("IMAP", Bytes().Text("\x80").Sub("CHAN", Bytes().Id("COLR")))
                            .Sub("PROJ", U16(5))
                            .Sub("IMAG", Bytes().VX(1))
                            .Sub("VMAP", Text("UV"));
    const Bytes surface = Bytes().Text("Torus").Text("").Sub("SMAN", F32(1.0f)).Sub("BLOK", image);
    WriteFile(path, Lwo2(Bytes()
                             .Chunk("TAGS", Names({"Torus"}))
                             .Chunk("LAYR", Bytes().U16(0).U16(0).Add(Vec(0, 0, 0)).Text(""))
                             .Chunk("PNTS", Points(points))
                             .Chunk("VMAP", vmap)
                             .Chunk("POLS", pols)
                             .Chunk("PTAG", tags)
                             .Chunk("VMAD", vmad)
                             .Chunk("CLIP", Bytes().U32(1).Sub("STIL", Text("Images/torus.png")))
                             .Chunk("SURF", surface)));
    return path;
}

void LoadAndExport(benchmark::State& state, bool lwo2) {
    const std::string& path = TorusFile(lwo2);
    int vertices = 0;
    for (auto _ : state) vertices = LoadAndExportOnce(path);
    state.counters["triangles"] = Plugin().GetSurfacePolys(0);
    state.counters["welded_vertices"] = vertices;
}

void BM_Lwo2UvLoadAndExport(benchmark::State& state) { LoadAndExport(state, true); }
BENCHMARK(BM_Lwo2UvLoadAndExport)->Unit(benchmark::kMillisecond);

void BM_LwobSameGeometryLoadAndExport(benchmark::State& state) { LoadAndExport(state, false); }
BENCHMARK(BM_LwobSameGeometryLoadAndExport)->Unit(benchmark::kMillisecond);

}  // namespace
