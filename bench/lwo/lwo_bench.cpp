// Time and peak memory of reading and exporting a 65,000-triangle torus with
// smoothing on and a cylindrical image map, driven as the engine drives it.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>

#include "plugin_driver.h"

using namespace lwotest;

namespace {

constexpr int kAround = 260;  // segments round the ring
constexpr int kAcross = 125;  // segments round the tube: 260 x 125 quads = 65,000 triangles

const std::string& TorusFile()
{
    static const std::string path = [] {
        std::vector<Vector3> points;
        for (int i = 0; i < kAround; ++i)
            for (int j = 0; j < kAcross; ++j) {
                const float a = 6.2831853f * i / kAround, b = 6.2831853f * j / kAcross;
                const float r = 3.0f + std::cos(b);
                points.push_back({r * std::cos(a), std::sin(b), r * std::sin(a)});
            }
        std::vector<Polygon> quads;
        for (int i = 0; i < kAround; ++i)
            for (int j = 0; j < kAcross; ++j) {
                auto at = [](int u, int v) { return uint32_t((u % kAround) * kAcross + v % kAcross); };
                quads.push_back({{at(i, j), at(i, j + 1), at(i + 1, j + 1), at(i + 1, j)}, 1});
            }
        auto surface = SurfaceBuilder("Torus");
        surface.Colour(200, 180, 120).U16("FLAG", 0x4).F32("SMAN", 1.0f);
        surface.Texture("CTEX", "Cylindrical Image Map").U16("TFLG", 2).Vec("TSIZ", 8, 2, 8).Image("maps/torus.tga");
        const std::string file = TempPath("torus.lwo");
        WriteFile(file, LwobWriter().Names({"Torus"}).Points(points).Polygons(quads).Surface(surface).Build());
        return file;
    }();
    return path;
}

double PeakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void BM_Load3D(benchmark::State& state)
{
    const std::string& path = TorusFile();
    for (auto _ : state)
        benchmark::DoNotOptimize(Plugin().Load3D(path.c_str(), nullptr));
    state.counters["triangles"] = Plugin().GetSurfacePolys(0);
    state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(BM_Load3D)->Unit(benchmark::kMillisecond);

void BM_LoadAndExport(benchmark::State& state)
{
    const std::string& path = TorusFile();
    int vertices = 0;
    for (auto _ : state) {
        Plugin().Load3D(path.c_str(), nullptr);
        auto model = ExportModel(0);
        vertices = model ? model->meshes[0].vertexCount : -1;
        benchmark::DoNotOptimize(model);
    }
    state.counters["welded_vertices"] = vertices;
    state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(BM_LoadAndExport)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
