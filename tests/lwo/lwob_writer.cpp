#include "lwob_writer.h"

#include <bit>
#include <cstdio>
#include <cstring>

namespace lwotest {

void PutU16(Bytes& b, uint32_t v)
{
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v));
}

void PutU32(Bytes& b, uint32_t v)
{
    PutU16(b, v >> 16);
    PutU16(b, v & 0xFFFF);
}

void PutF32(Bytes& b, float v)
{
    PutU32(b, std::bit_cast<uint32_t>(v));
}

void PutText(Bytes& b, const std::string& text)
{
    b.insert(b.end(), text.begin(), text.end());
    b.push_back(0);
    if ((text.size() + 1) % 2)
        b.push_back(0);
}

void PutId(Bytes& b, const char* id)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(id[i]));
}

SurfaceBuilder::SurfaceBuilder(const std::string& name)
{
    PutText(data_, name);
}

SurfaceBuilder& SurfaceBuilder::U16(const char* id, uint16_t value)
{
    PutId(data_, id);
    PutU16(data_, 2);
    PutU16(data_, value);
    return *this;
}

SurfaceBuilder& SurfaceBuilder::F32(const char* id, float value)
{
    PutId(data_, id);
    PutU16(data_, 4);
    PutF32(data_, value);
    return *this;
}

SurfaceBuilder& SurfaceBuilder::Colour(uint8_t r, uint8_t g, uint8_t b)
{
    PutId(data_, "COLR");
    PutU16(data_, 4);
    data_.insert(data_.end(), {r, g, b, 0});
    return *this;
}

SurfaceBuilder& SurfaceBuilder::Texture(const char* id, const std::string& type)
{
    Bytes text;
    PutText(text, type);
    PutId(data_, id);
    PutU16(data_, static_cast<uint32_t>(text.size()));
    data_.insert(data_.end(), text.begin(), text.end());
    return *this;
}

SurfaceBuilder& SurfaceBuilder::Vec(const char* id, float x, float y, float z)
{
    PutId(data_, id);
    PutU16(data_, 12);
    PutF32(data_, x);
    PutF32(data_, y);
    PutF32(data_, z);
    return *this;
}

SurfaceBuilder& SurfaceBuilder::Image(const std::string& path)
{
    Bytes text;
    PutText(text, path);
    PutId(data_, "TIMG");
    PutU16(data_, static_cast<uint32_t>(text.size()));
    data_.insert(data_.end(), text.begin(), text.end());
    return *this;
}

SurfaceBuilder& SurfaceBuilder::Raw(const Bytes& bytes)
{
    data_.insert(data_.end(), bytes.begin(), bytes.end());
    return *this;
}

LwobWriter& LwobWriter::Chunk(const char* id, const Bytes& body)
{
    PutId(chunks_, id);
    PutU32(chunks_, static_cast<uint32_t>(body.size()));
    chunks_.insert(chunks_.end(), body.begin(), body.end());
    if (body.size() % 2)
        chunks_.push_back(0);
    return *this;
}

LwobWriter& LwobWriter::Names(const std::vector<std::string>& names)
{
    Bytes body;
    for (const std::string& n : names)
        PutText(body, n);
    return Chunk("SRFS", body);
}

LwobWriter& LwobWriter::Points(const std::vector<Vector3>& points)
{
    Bytes body;
    for (const Vector3& p : points) {
        PutF32(body, p.x);
        PutF32(body, p.y);
        PutF32(body, p.z);
    }
    return Chunk("PNTS", body);
}

LwobWriter& LwobWriter::Polygons(const std::vector<Polygon>& polygons)
{
    Bytes body;
    for (const Polygon& p : polygons) {
        PutU16(body, static_cast<uint32_t>(p.corners.size()));
        for (uint32_t c : p.corners)
            PutU16(body, c);
        PutU16(body, static_cast<uint16_t>(p.surface));
    }
    return Chunk("POLS", body);
}

LwobWriter& LwobWriter::PolygonBytes(const Bytes& body)
{
    return Chunk("POLS", body);
}

LwobWriter& LwobWriter::Surface(const SurfaceBuilder& surface)
{
    return Chunk("SURF", surface.Data());
}

Bytes LwobWriter::Build(const char* formType) const
{
    Bytes file;
    PutId(file, "FORM");
    PutU32(file, static_cast<uint32_t>(4 + chunks_.size()));
    PutId(file, formType);
    file.insert(file.end(), chunks_.begin(), chunks_.end());
    return file;
}

bool WriteFile(const std::string& path, const Bytes& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const size_t written = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), f);
    return std::fclose(f) == 0 && written == bytes.size();
}

Bytes ReadFile(const std::string& path)
{
    Bytes bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    uint8_t buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return bytes;
}

}  // namespace lwotest
