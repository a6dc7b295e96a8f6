// A small LWOB writer for test objects: chunks are assembled in the order the
// test adds them, so tests can also build odd and damaged files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/vecmath.h"

namespace lwotest {

using Bytes = std::vector<uint8_t>;

void PutU16(Bytes& b, uint32_t v);
void PutU32(Bytes& b, uint32_t v);
void PutF32(Bytes& b, float v);
void PutText(Bytes& b, const std::string& text);  // zero-terminated, padded to even length
void PutId(Bytes& b, const char* id);

struct Polygon {
    std::vector<uint32_t> corners;  // written as 16-bit indices
    int16_t surface = 1;            // 1-based surface number as stored
};

// Sub-chunks of a SURF chunk (identifier, 16-bit length, data).
class SurfaceBuilder {
public:
    explicit SurfaceBuilder(const std::string& name);
    SurfaceBuilder& U16(const char* id, uint16_t value);
    SurfaceBuilder& F32(const char* id, float value);
    SurfaceBuilder& Colour(uint8_t r, uint8_t g, uint8_t b);
    // Opens a texture block (CTEX, BTEX, ...) with its type text.
    SurfaceBuilder& Texture(const char* id, const std::string& type);
    SurfaceBuilder& Vec(const char* id, float x, float y, float z);  // TSIZ, TCTR, TVEL, TFAL
    SurfaceBuilder& Image(const std::string& path);                  // TIMG
    SurfaceBuilder& Raw(const Bytes& bytes);
    const Bytes& Data() const { return data_; }

private:
    Bytes data_;
};

class LwobWriter {
public:
    LwobWriter& Names(const std::vector<std::string>& names);  // SRFS
    LwobWriter& Points(const std::vector<Vector3>& points);    // PNTS
    LwobWriter& Polygons(const std::vector<Polygon>& polygons);  // POLS
    // POLS from raw bytes (detail polygons, damaged records).
    LwobWriter& PolygonBytes(const Bytes& body);
    LwobWriter& Surface(const SurfaceBuilder& surface);  // SURF
    // Any chunk: identifier and body; odd bodies get a pad byte.
    LwobWriter& Chunk(const char* id, const Bytes& body);
    // The whole file: FORM, its length, LWOB, the chunks.
    Bytes Build(const char* formType = "LWOB") const;

private:
    Bytes chunks_;
};

// Writes bytes to a file; false on failure.
bool WriteFile(const std::string& path, const Bytes& bytes);
Bytes ReadFile(const std::string& path);

}  // namespace lwotest
