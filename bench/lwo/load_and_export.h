// One load and export of an object through lwo.so, as the engine does for each
// model it loads; shared by the LWOB and LWO2 benchmarks.
#pragma once

#include <benchmark/benchmark.h>

#include <string>

#include "lwo_test_support.h"

namespace lwotest {

// Loads path and exports its first surface; the export's welded vertex
// count, -1 when there is none.
inline int LoadAndExportOnce(const std::string& path) {
    Plugin().Load3D(path.c_str(), nullptr);
    auto model = ExportModel(0);
    const int vertices = model ? model->meshes[0].vertexCount : -1;
    benchmark::DoNotOptimize(model);
    return vertices;
}

}  // namespace lwotest
