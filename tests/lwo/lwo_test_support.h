// Test objects written with a small LWOB writer, and lwo.so loaded with
// dlopen and driven the way the engine's model store drives it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tessaly/model_records.h"
#include "tessaly/plugin_interface.h"

namespace lwotest {

// Big-endian byte builder for files, chunks and SURF sub-chunks.
struct Bytes : std::vector<uint8_t> {
    using std::vector<uint8_t>::vector;
    Bytes& U16(uint32_t v);
    Bytes& U32(uint32_t v);
    Bytes& F32(float v);
    Bytes& Id(const char* id);
    Bytes& Text(const std::string& text);               // zero-terminated, padded to even
    Bytes& Add(const Bytes& more);
    Bytes& Chunk(const char* id, const Bytes& body);    // 32-bit length, pad byte when odd
    Bytes& Sub(const char* id, const Bytes& body);      // 16-bit length
};

struct Polygon {
    std::vector<uint32_t> corners;
    int16_t surface = 1;  // as stored: 1-based
};

Bytes Names(const std::vector<std::string>& names);   // SRFS body
Bytes Points(const std::vector<Vector3>& points);     // PNTS body
Bytes Polygons(const std::vector<Polygon>& polygons); // POLS body
Bytes Vec(float x, float y, float z);
Bytes Lwob(const Bytes& chunks, const char* type = "LWOB");  // FORM header around the chunks

std::vector<Vector3> CubePoints(float half = 1.0f);
std::vector<Polygon> CubeQuads(int16_t surface = 1);  // outward-facing

const ModelPluginTable& Plugin();
std::vector<std::string>& Messages();  // callback texts of the last load
int Capture(const char* message);
std::string TempPath(const std::string& name);
bool WriteFile(const std::string& path, const Bytes& bytes);
Bytes ReadFile(const std::string& path);

// r_Load3D on a temporary file holding bytes.
int LoadBytes(const Bytes& bytes, const std::string& name = "object.lwo");
// Engine sequence after a load: meshes from r_GetSurfacePolys, texture sets
// where r_HasTexture, then r_ExportMD(model, flags).
std::unique_ptr<CModel> ExportModel(int flags = 0);
std::unique_ptr<CModel> LoadModel(const Bytes& bytes, int flags = 0);  // null when the load fails

}  // namespace lwotest
