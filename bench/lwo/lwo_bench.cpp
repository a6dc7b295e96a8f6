// Time and peak memory of reading and exporting a 65,000-triangle torus with
// smoothing on and a cylindrical image map, driven as the engine drives it;
// and of exporting hostile objects that pile many corners onto one point.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>

#include "load_and_export.h"
#include "lwo_test_support.h"

using namespace lwotest;

namespace {

constexpr int kAround = 260;  // segments round the ring
constexpr int kAcross = 125;  // segments round the tube: 260 x 125 quads = 65,000 triangles

const std::string& TorusFile() {
    static const std::string path = [] {
        const std::vector<Vector3> points = TorusPoints(kAround, kAcross);
        std::vector<Polygon> quads;
        for (int i = 0; i < kAround; ++i)
            for (int j = 0; j < kAcross; ++j) {
                auto at = [](int u, int v) { return uint32_t((u % kAround) * kAcross + v % kAcross); };
                quads.push_back({{at(i, j), at(i, j + 1), at(i + 1, j + 1), at(i + 1, j)}, 1});
            }
        const Bytes surface = Bytes()
                                  .Text("Torus")
                                  .Sub("COLR", Bytes{200, 180, 120, 0})
                                  .Sub("FLAG", Bytes().U16(0x4))
                                  .Sub("SMAN", Bytes().F32(1.0f))
                                  .Sub("CTEX", Bytes().Text("Cylindrical Image Map"))
                                  .Sub("TFLG", Bytes().U16(2))
                                  .Sub("TSIZ", Vec(8, 2, 8))
                                  .Sub("TIMG", Bytes().Text("maps/torus.tga"));
        const std::string file = TempPath("torus.lwo");
        WriteFile(file, OneSurfaceLwob("Torus", points, quads, surface));
        return file;
    }();
    return path;
}

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void BM_Load3D(benchmark::State& state) {
    const std::string& path = TorusFile();
    for (auto _ : state) benchmark::DoNotOptimize(Plugin().Load3D(path.c_str(), nullptr));
    state.counters["triangles"] = Plugin().GetSurfacePolys(0);
    state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(BM_Load3D)->Unit(benchmark::kMillisecond);

void BM_LoadAndExport(benchmark::State& state) {
    const std::string& path = TorusFile();
    int vertices = 0;
    for (auto _ : state) vertices = LoadAndExportOnce(path);
    state.counters["welded_vertices"] = vertices;
    state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(BM_LoadAndExport)->Unit(benchmark::kMillisecond);

// r_ExportMD alone: the engine's allocation of the records is not timed.
void BM_ExportOnly(benchmark::State& state) {
    Plugin().Load3D(TorusFile().c_str(), nullptr);
    const ModelPluginTable& p = Plugin();
    for (auto _ : state) {
        state.PauseTiming();
        auto model = std::make_unique<CModel>();
        model->AllocateMeshes(1);
        model->meshes[0].Allocate(p.GetSurfacePolys(0) * 3);
        model->meshes[0].AllocateTexCoords(0, p.GetSurfacePolys(0) * 3);
        state.ResumeTiming();
        p.ExportMD(model.get(), 0);
        state.PauseTiming();
        model.reset();
        state.ResumeTiming();
    }
    state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(BM_ExportOnly)->Unit(benchmark::kMillisecond);

// Smoothed objects with every corner at one point: one polygon of `corners`
// corners all naming point 0 (degenerate fan), or `corners` triangles fanned
// round point 0 (a cone apex, every face normal different) with a smoothing
// angle small enough that no two of them smooth together.
std::string HostileFile(int corners, bool cone) {
    const std::string path = TempPath((cone ? "cone" : "pile") + std::to_string(corners) + ".lwo");
    std::vector<Vector3> points{{0, 1, 0}};
    std::vector<Polygon> polygons;
    if (cone) {
        for (int i = 0; i < corners; ++i) {
            const float a = 6.2831853f * i / corners;
            points.push_back({std::cos(a), 0, std::sin(a)});
        }
        for (int i = 0; i < corners; ++i)
            polygons.push_back({{0, uint32_t(1 + (i + 1) % corners), uint32_t(1 + i)}, 1});
    } else {
        polygons.push_back({std::vector<uint32_t>(size_t(corners), 0u), 1});
    }
    const Bytes surface =
        Bytes().Text("Pile").Sub("FLAG", Bytes().U16(0x4)).Sub("SMAN", Bytes().F32(cone ? 0.0001f : 1.0f));
    WriteFile(path, OneSurfaceLwob("Pile", points, polygons, surface));
    return path;
}

void HostileExport(benchmark::State& state, bool cone) {
    const std::string path = HostileFile(int(state.range(0)), cone);
    Plugin().Load3D(path.c_str(), nullptr);
    int vertices = 0;
    for (auto _ : state) {
        auto model = ExportModel(0);
        vertices = model && model->meshCount > 0 ? model->meshes[0].vertexCount : -1;
        benchmark::DoNotOptimize(model);
    }
    state.counters["triangles"] = Plugin().GetSurfacePolys(0);
    state.counters["welded_vertices"] = vertices;
    state.counters["peak_MB"] = PeakMegabytes();
}

// One polygon whose corners all name one point.
void BM_ExportCornerPile(benchmark::State& state) { HostileExport(state, false); }
BENCHMARK(BM_ExportCornerPile)->Arg(16000)->Arg(65535)->Unit(benchmark::kMillisecond);

// Many triangles meeting at one apex, none smoothing with another.
void BM_ExportConeApex(benchmark::State& state) { HostileExport(state, true); }
BENCHMARK(BM_ExportConeApex)->Arg(16000)->Arg(65535)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
