#include "tools/formats/lwob_writer.h"

#include "tools/formats/byte_buffer.h"

namespace demo {

namespace {

constexpr int kMaxPoints = 32767;  // point indices are read as signed 16-bit numbers
constexpr int kMaxTriangles = 65535;
constexpr size_t kMaxName = 255;

const char* ChannelId(TextureChannel channel) {
    switch (channel) {
        case TextureChannel::Colour:
            return "CTEX";
        case TextureChannel::Diffuse:
            return "DTEX";
        case TextureChannel::Specular:
            return "STEX";
        case TextureChannel::Reflection:
            return "RTEX";
        case TextureChannel::Transparency:
            return "TTEX";
        case TextureChannel::Bump:
            return "BTEX";
    }
    return "CTEX";
}

const char* MapName(TextureMap map) {
    switch (map) {
        case TextureMap::Planar:
            return "Planar Image Map";
        case TextureMap::Cubic:
            return "Cubic Image Map";
        case TextureMap::Cylindrical:
            return "Cylindrical Image Map";
    }
    return "Planar Image Map";
}

// Zero-terminated text padded to an even length.
ByteBuffer EvenText(const std::string& text) {
    ByteBuffer b;
    b.Chars(text).U8(0);
    if (b.Size() % 2) b.U8(0);
    return b;
}

void SubChunk(ByteBuffer& out, const char* id, const ByteBuffer& data) {
    out.Chars(id).U16BE(static_cast<uint32_t>(data.Size())).Append(data);
}

uint32_t Level(float v)  // a 0..1 level as the file's 8.8 fixed point
{
    const float clamped = v < 0 ? 0 : (v > 1 ? 1 : v);
    return static_cast<uint32_t>(clamped * 256.0f + 0.5f);
}

ByteBuffer VecData(Vec3 v) {
    ByteBuffer b;
    b.F32BE(v.x).F32BE(v.y).F32BE(v.z);
    return b;
}

// A texture block. TIMG comes first and TFP0 last: the reader stops looking
// for texture sub-chunks eight bytes before the end of the surface.
void TextureBlock(ByteBuffer& out, const LwobTexture& t) {
    SubChunk(out, ChannelId(t.channel), EvenText(MapName(t.map)));
    SubChunk(out, "TIMG", EvenText("maps/" + t.image));
    SubChunk(out, "TFLG", ByteBuffer().U16BE(t.axis));
    SubChunk(out, "TSIZ", VecData(t.size));
    SubChunk(out, "TCTR", VecData(t.centre));
    if (t.velocity.x != 0 || t.velocity.y != 0 || t.velocity.z != 0) SubChunk(out, "TVEL", VecData(t.velocity));
    SubChunk(out, "TFP0", ByteBuffer().F32BE(t.wrap));
}

// Surface-wide sub-chunks come before the texture blocks: a texture block
// reaches up to the next texture identifier.
ByteBuffer SurfaceData(const LwobSurface& s) {
    ByteBuffer b = EvenText(s.name);
    SubChunk(b, "COLR", ByteBuffer().U8(s.red).U8(s.green).U8(s.blue).U8(0));
    SubChunk(b, "FLAG", ByteBuffer().U16BE(s.flags));
    SubChunk(b, "LUMI", ByteBuffer().U16BE(Level(s.luminosity)));
    SubChunk(b, "DIFF", ByteBuffer().U16BE(Level(s.diffuse)));
    SubChunk(b, "REFL", ByteBuffer().U16BE(Level(s.reflection)));
    SubChunk(b, "TRAN", ByteBuffer().U16BE(Level(s.transparency)));
    SubChunk(b, "SMAN", ByteBuffer().F32BE(s.smoothingAngle));
    for (const LwobTexture& t : s.textures) TextureBlock(b, t);
    return b;
}

void Chunk(ByteBuffer& out, const char* id, const ByteBuffer& data) {
    out.Chars(id).U32BE(static_cast<uint32_t>(data.Size())).Append(data);
    if (data.Size() % 2) out.U8(0);
}

}  // namespace

int LwobObject::AddPoint(Vec3 p) {
    points_.push_back(p);
    return static_cast<int>(points_.size()) - 1;
}

int LwobObject::AddSurface(const LwobSurface& surface) {
    for (size_t i = 0; i < surfaces_.size(); ++i)
        if (surfaces_[i].name == surface.name) return static_cast<int>(i) + 1;
    surfaces_.push_back(surface);
    return static_cast<int>(surfaces_.size());
}

void LwobObject::AddPolygon(const std::vector<int>& corners, int surface) { polygons_.push_back({corners, surface}); }

void LwobObject::Merge(const LwobObject& other) {
    const int base = PointCount();
    points_.insert(points_.end(), other.points_.begin(), other.points_.end());
    for (const Polygon& p : other.polygons_) {
        Polygon moved{p.corners, AddSurface(other.surfaces_.at(p.surface - 1))};
        for (int& c : moved.corners) c += base;
        polygons_.push_back(std::move(moved));
    }
}

int LwobObject::TriangleCount() const {
    int n = 0;
    for (const Polygon& p : polygons_) n += static_cast<int>(p.corners.size()) - 2;
    return n;
}

std::string LwobObject::Problem() const {
    if (PointCount() > kMaxPoints) return "more than 32767 points";
    if (TriangleCount() > kMaxTriangles) return "more than 65535 triangles";
    for (const LwobSurface& s : surfaces_) {
        if (s.name.empty() || s.name.size() > kMaxName) return "surface name empty or longer than 255 characters";
        for (const LwobTexture& t : s.textures)
            if (t.image.empty() || t.image.size() + 5 > kMaxName) return "texture image name empty or too long";
    }
    for (const Polygon& p : polygons_) {
        if (p.corners.size() < 3 || p.corners.size() > 1023)
            return "polygon with fewer than 3 or more than 1023 corners";
        if (p.surface < 1 || p.surface > SurfaceCount()) return "polygon with an unknown surface";
        for (int c : p.corners)
            if (c < 0 || c >= PointCount()) return "polygon corner beyond the points";
    }
    return {};
}

std::vector<uint8_t> LwobObject::Bytes() const {
    ByteBuffer pnts, srfs, pols;
    for (Vec3 p : points_) pnts.F32BE(p.x).F32BE(p.y).F32BE(p.z);
    for (const LwobSurface& s : surfaces_) srfs.Append(EvenText(s.name));
    for (const Polygon& p : polygons_) {
        pols.U16BE(static_cast<uint32_t>(p.corners.size()));
        for (int c : p.corners) pols.U16BE(static_cast<uint32_t>(c));
        pols.U16BE(static_cast<uint32_t>(p.surface));
    }
    ByteBuffer body;
    body.Chars("LWOB");
    Chunk(body, "PNTS", pnts);
    Chunk(body, "SRFS", srfs);
    Chunk(body, "POLS", pols);
    for (const LwobSurface& s : surfaces_) Chunk(body, "SURF", SurfaceData(s));
    ByteBuffer file;
    file.Chars("FORM").U32BE(static_cast<uint32_t>(body.Size())).Append(body);
    return file.Bytes();
}

}  // namespace demo
