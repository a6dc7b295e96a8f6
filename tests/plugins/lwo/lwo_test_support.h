// Test objects from a small LWOB writer, and lwo.so loaded with dlopen and
// driven the way the engine's model store drives it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tessaly/model_records.h"
#include "tessaly/plugin_interface.h"
#include "tests/common/collected_messages.h"

namespace lwotest {

// Big-endian byte builder for files, chunks (32-bit lengths, padded) and
// SURF sub-chunks (16-bit lengths).
struct Bytes : std::vector<uint8_t> {
    using std::vector<uint8_t>::vector;
    Bytes& U16(uint32_t v);
    Bytes& U32(uint32_t v);
    Bytes& VX(uint32_t v);  // LWO2 index: 2 bytes below 0xFF00, else 4 with 0xFF in front
    Bytes& F32(float v);
    Bytes& Id(const char* id);
    Bytes& Text(const std::string& text);  // zero-terminated, padded to even
    Bytes& Add(const Bytes& more);
    Bytes& Chunk(const char* id, const Bytes& body);
    Bytes& Sub(const char* id, const Bytes& body);
};

struct Polygon {
    std::vector<uint32_t> corners;
    int16_t surface = 1;  // as stored: 1-based
};

Bytes Names(const std::vector<std::string>& names);    // SRFS body
Bytes Points(const std::vector<Vector3>& points);      // PNTS body
Bytes Polygons(const std::vector<Polygon>& polygons);  // POLS body
Bytes U16(uint16_t v);
Bytes F32(float v);
Bytes Text(const std::string& s);
Bytes Vec(float x, float y, float z);
Bytes Lwob(const Bytes& chunks, const char* type = "LWOB");
// An LWOB object of one surface: its name, points, polygons and SURF body.
Bytes OneSurfaceLwob(const std::string& name, const std::vector<Vector3>& points, const std::vector<Polygon>& polygons,
                     const Bytes& surface);
Bytes Lwo2(const Bytes& chunks);
std::vector<Vector3> CubePoints(float half = 1.0f);
std::vector<Polygon> CubeQuads(int16_t surface = 1);  // outward-facing
// Points of a torus (ring radius 3, tube radius 1, round the y axis), `across`
// points round the tube for each of `around` steps round the ring.
std::vector<Vector3> TorusPoints(int around, int across);

const ModelPluginTable& Plugin();
using test_messages::Messages;  // callback texts since the last load
// The message callback that collects them.
inline int Capture(const char* message) { return test_messages::Collect(message); }
std::string TempPath(const std::string& name);
bool WriteFile(const std::string& path, const Bytes& bytes);
int LoadBytes(const Bytes& bytes, const std::string& name = "object.lwo");  // r_Load3D's result
// The engine's sequence after a load: meshes sized from r_GetSurfacePolys,
// texture sets where r_HasTexture, then r_ExportMD(model, flags).
std::unique_ptr<CModel> ExportModel(int flags = 0);
std::unique_ptr<CModel> LoadModel(const Bytes& bytes, int flags = 0);  // null when the load fails

}  // namespace lwotest
