#include "lwo_reader.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "big_endian.h"
#include "chunk_walker.h"
#include "common/message_buffer.h"
#include "platform/platform.h"
#include "polygon_triangulation.h"
#include "tessaly/model_records.h"

namespace lwo {
namespace {

// Every message of the plug-in is formatted here: as long as the engine's own
// message lines, so a long path leaves room for what is wrong.
char g_message[1024];

constexpr const char* kParseCaption = "CLwoRead::Parse Error";

// Formats into the message buffer, cutting what does not fit.
__attribute__((format(printf, 1, 2))) const char* Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatBoundedV(g_message, sizeof g_message, format, args);
    va_end(args);
    return g_message;
}

void Report(r_MsgCallback cb, const char* message) {
    if (cb) cb(message);
}

// Memory behind one surface: the reader's entry and name, the engine's mesh
// record, the triangle count.
constexpr int64_t kBytesPerSurface = sizeof(LwoSurface) + sizeof(SurfaceName) + sizeof(CMesh) + sizeof(int32_t);
// Behind one triangle in the reader: the triangle, its face normal, its place
// in r_ExportMD's surface order.
constexpr int64_t kReaderBytesPerTriangle = sizeof(LwoTriangle) + sizeof(Vector3) + sizeof(uint32_t);
// Behind one corner of a mesh: the engine's arrays (positions, indices,
// normals, two 16-byte work entries, two colours, edge planes and directions,
// source points, a third of a face normal) and r_ExportMD's grouping scratch.
constexpr int64_t kMeshBytesPerCorner = 12 + 4 + 12 + 16 + 4 + 16 + 4 + 12 + 12 + 4 + 4 + 40;
constexpr int64_t kBytesPerTexCoord = sizeof(TexCoord);

}  // namespace

int64_t LoadLimit(int64_t fileSize) {
    const int64_t limit = kLoadAllowance + kLoadBytesPerFileByte * std::max<int64_t>(fileSize, 0);
    return std::min(limit, kLoadCeiling);
}

CLwoRead& Reader() {
    static CLwoRead reader;
    return reader;
}

void ResetSurface(LwoSurface& surface) {
    std::memset(&surface, 0, sizeof surface);
    surface.colour[0] = surface.colour[1] = surface.colour[2] = 0.784f;
    for (LwoTexture& slot : surface.slots) {
        slot.wrapCount = 1.0f;
        slot.wrapHeight = 1.0f;
        slot.uvMap = -1;
    }
}

CLwoRead::CLwoRead() = default;

CLwoRead::~CLwoRead() = default;

void CLwoRead::Clear() {
    Release();
    surfaceNames_.clear();
    surfaceNames_.shrink_to_fit();
    points_.clear();
    points_.shrink_to_fit();
    faceNormals_.clear();
    faceNormals_.shrink_to_fit();
    triangles_.clear();
    triangles_.shrink_to_fit();
    surfaces_.clear();
    surfaces_.shrink_to_fit();
    polygons_.clear();
    polygons_.shrink_to_fit();
    corners_.clear();
    corners_.shrink_to_fit();
    smoothingList.clear();
    smoothingList.shrink_to_fit();
    trianglePolygons_.clear();
    trianglePolygons_.shrink_to_fit();
    vertexMaps_.clear();
    vertexMaps_.shrink_to_fit();
    damaged_ = false;
    lwo2_ = false;
    skipped_ = 0;
    surfacePolys_.clear();
    surfacePolys_.shrink_to_fit();
    damageText_.clear();
    damageCount_ = 0;
    neededBytes_ = 0;
    tooLarge_ = false;
}

void CLwoRead::NoteDamage(const char* format, ...) {
    damaged_ = true;
    if (damageCount_++ > 0) return;
    char text[160];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    damageText_ = text;
}

bool CLwoRead::WithinLimit(int64_t bytes) {
    if (bytes <= LoadLimit(size)) return true;
    tooLarge_ = true;
    neededBytes_ = bytes;
    return false;
}

int CLwoRead::Load3D(const char* path, r_MsgCallback cb, int layer) {
    Clear();
    layer_ = layer < 0 ? 0 : layer;
    // Every object has a layer 1: an LWOB object is one, and an LWO2 object's
    // data before its first LAYR chunk is layer 1's. Others are found by LAYR.
    layerFound_ = layer_ <= 1;
    if (path == nullptr) path = "";
    // A file past the ceiling is refused before it is read.
    std::error_code error;
    const auto bytes = std::filesystem::file_size(path, error);
    if (!error && bytes > static_cast<uintmax_t>(kLoadCeiling)) {
        Report(cb, Format("Lwo.dll Load3D : Error, %s is too large: %ju MB, more than the %lld MB an object may take\n",
                          path, bytes >> 20, static_cast<long long>(kLoadCeiling >> 20)));
        return -1;
    }
    if (Load(path) != 0) {
        Report(cb, Format("Lwo.dll Load3D : Error, could not open %s\n", path));
    }
    const ParseResult result = Parse(true);
    if (result == ParseResult::NoData) return -1;
    if (result == ParseResult::TooLarge) {
        Report(cb, Format("Lwo.dll Load3D : Error, %s is too large: it would take %lld MB, more than the %lld MB "
                          "allowed for an object of %lld bytes\n",
                          path, static_cast<long long>((neededBytes_ + (1 << 20) - 1) >> 20),
                          static_cast<long long>(LoadLimit(size) >> 20), static_cast<long long>(size)));
        Clear();
        return -1;
    }
    if (!layerFound_) {
        Report(cb, Format("Lwo.dll Load3D : Error, %s has no layer %d\n", path, layer_));
        Clear();
        return -1;
    }
    if (damaged_ && damageCount_ == 0) {
        Report(cb, Format("Lwo.dll Load3D : Warning, %s is damaged, some of its data was not read\n", path));
    } else if (damageCount_ > 0) {
        char more[48] = "";
        if (damageCount_ > 1)
            std::snprintf(more, sizeof more, " (and %d more problem%s)", damageCount_ - 1, damageCount_ > 2 ? "s" : "");
        Report(cb, Format("Lwo.dll Load3D : Warning, %s is damaged: %s%s\n", path, damageText_.c_str(), more));
    }
    if (skipped_ != 0) {
        // One line naming everything the engine cannot show.
        char list[200] = "";
        for (int bit = 0; bit < kSkipNoteCount; ++bit) {
            if (!(skipped_ & (1u << bit))) continue;
            const size_t used = std::strlen(list);
            std::snprintf(list + used, sizeof list - used, "%s%s", used ? ", " : "", SkipNoteText(1u << bit));
        }
        Report(cb, Format("Lwo.dll Load3D : %s : not shown: %s\n", path, list));
    }
    Report(cb, Format("Lwo.dll Load3D : Loaded %s\n", path));
    return 0;
}

void CLwoRead::Warn(bool validForm) {
    const char* text = validForm ? Format("File %s\nFailed LWOB Check!", fileName)
                                 : Format("File %s\nIs not a Valid .LWO file!", fileName);
    plat_MessageBox(nullptr, text, kParseCaption, PLAT_MB_OK | PLAT_MB_ICONWARNING);
}

ParseResult CLwoRead::Parse(bool showWarnings) {
    surfaces_.clear();
    surfaceNames_.clear();
    surfacePolys_.clear();
    if (data == nullptr || size <= 0) return ParseResult::NoData;
    const int64_t fileSize = size;
    if (fileSize < 4 || !ChunkIdEquals(data, "FORM")) {
        if (showWarnings) Warn(false);
        return ParseResult::Invalid;
    }
    if (fileSize >= 12 && ChunkIdEquals(data + 8, "LWO2")) {
        lwo2_ = true;
        const int64_t formEnd = 8 + int64_t{ReadU32(data + 4)};
        if (formEnd > fileSize)
            NoteDamage("FORM at byte 0: its length %lld runs past the end of the file (%lld bytes)",
                       static_cast<long long>(formEnd - 8), static_cast<long long>(fileSize));
        ParseLwo2(std::min(formEnd, fileSize));
        if (!WithinLimit(HeldBytes() + TriangleBytes())) return ParseResult::TooLarge;
        BuildTriangles();
        FinishLwo2();
        return ParseResult::Ok;
    }
    if (fileSize < 12 || !ChunkIdEquals(data + 8, "LWOB")) {
        if (showWarnings) Warn(true);
        return ParseResult::Invalid;
    }
    const int64_t formLength = ReadU32(data + 4);

    // Chunks are found by a byte-wise search for the four known identifiers;
    // after a chunk the search resumes 4 bytes before its end, so pad bytes and
    // unknown chunks are passed over without their lengths being trusted.
    int64_t q = 12;
    while (q < formLength && q + 4 <= fileSize) {
        const uint8_t* id = data + q;
        int which = -1;
        if (ChunkIdEquals(id, "SRFS"))
            which = 0;
        else if (ChunkIdEquals(id, "PNTS"))
            which = 1;
        else if (ChunkIdEquals(id, "POLS"))
            which = 2;
        else if (ChunkIdEquals(id, "SURF"))
            which = 3;
        if (which < 0) {
            ++q;
            continue;
        }
        Chunk chunk;
        if (!ReadChunkHeader(data, q, fileSize, 4, chunk)) {
            NoteDamage("%.4s chunk at byte %lld: the file ends inside the chunk header",
                       reinterpret_cast<const char*>(id), static_cast<long long>(q));
            break;
        }
        const int64_t length = chunk.length;
        const int64_t available = fileSize - (q + 8);
        const int64_t span = chunk.span;
        if (length > available)
            NoteDamage("%.4s chunk at byte %lld: its length %lld runs past the end of the file (%lld bytes remain)",
                       reinterpret_cast<const char*>(id), static_cast<long long>(q), static_cast<long long>(length),
                       static_cast<long long>(available));
        const uint8_t* body = chunk.body;
        switch (which) {
            case 0:
                ReadSurfaceNames(body, span, q);
                break;
            case 1:
                ReadPoints(body, span, q);
                break;
            case 2:
                ReadPolygons(body, span, q);
                break;
            default:
                ReadSurface(body, span);
                break;
        }
        if (tooLarge_) return ParseResult::TooLarge;
        q += 4 + length;
    }

    // Refused before any triangle exists: the estimate counts the tables still
    // to come (triangles, face normals, the engine's meshes and the export's
    // scratch) on top of what the reading holds.
    if (!WithinLimit(HeldBytes() + TriangleBytes())) return ParseResult::TooLarge;
    BuildTriangles();
    return ParseResult::Ok;
}

int64_t CLwoRead::HeldBytes() const {
    int64_t bytes = size + static_cast<int64_t>(points_.size() * sizeof(Vector3)) +
                    static_cast<int64_t>(corners_.size() * sizeof(uint32_t)) +
                    static_cast<int64_t>(polygons_.size() * sizeof(RawPolygon)) +
                    kBytesPerSurface * static_cast<int64_t>(surfaces_.size());
    for (const VertexMap& map : vertexMaps_)
        bytes += static_cast<int64_t>((map.pointValues.size() + map.cornerValues.size()) * sizeof(float) +
                                      map.pointSet.size() + map.cornerIndex.size() * 32);
    return bytes;
}

int64_t CLwoRead::TriangleBytes() const {
    const auto pointCount = static_cast<uint32_t>(points_.size());
    const auto surfaceCount = static_cast<int32_t>(surfaces_.size());
    int64_t bytes = 0;
    for (const RawPolygon& polygon : polygons_) {
        const uint32_t* corners = corners_.data() + polygon.firstCorner;
        bool valid = true;
        for (uint32_t i = 0; i < polygon.cornerCount; ++i) valid = valid && corners[i] < pointCount;
        if (!valid) continue;
        const int64_t triangles = polygon.cornerCount - 2;
        int64_t perCorner = 0;  // the engine sizes meshes of the listed surfaces only
        if (polygon.surface >= 0 && polygon.surface < surfaceCount) {
            perCorner = kMeshBytesPerCorner;
            for (int j = 0; j < kTextureSlots; ++j)
                if (surfaces_[polygon.surface].slots[j].imageName[0] != 0) perCorner += kBytesPerTexCoord;
        }
        bytes += triangles * (kReaderBytesPerTriangle + 3 * perCorner);
    }
    return bytes;
}

void CLwoRead::ReadPoints(const uint8_t* body, int64_t length, int64_t chunkAt) {
    const int64_t count = length / 12;
    if (length % 12 != 0)
        NoteDamage("PNTS chunk at byte %lld: %lld bytes after the last whole point", static_cast<long long>(chunkAt),
                   static_cast<long long>(length % 12));
    points_.assign(static_cast<size_t>(count), Vector3{0.0f, 0.0f, 0.0f});
    for (int64_t i = 0; i < count; ++i) {
        const uint8_t* p = body + i * 12;
        points_[i] = Vector3{ReadF32(p), ReadF32(p + 4), ReadF32(p + 8)};
    }
}

void CLwoRead::ReadSurfaceNames(const uint8_t* body, int64_t length, int64_t chunkAt) {
    // One name per run of zero bytes; a name without a terminating zero at
    // the end of the chunk is not counted.
    int64_t names = 0;
    for (int64_t i = 0; i < length;) {
        if (body[i] != 0) {
            ++i;
            continue;
        }
        while (i < length && body[i] == 0) ++i;
        ++names;
    }
    if (length > 0 && body[length - 1] != 0)
        NoteDamage("SRFS chunk at byte %lld: the last name has no terminating zero", static_cast<long long>(chunkAt));
    // Each name costs a surface entry here and a mesh record in the engine:
    // thousands of bytes for two bytes of file.
    surfaces_.clear();
    surfaces_.shrink_to_fit();
    surfaceNames_.clear();
    surfaceNames_.shrink_to_fit();
    if (!WithinLimit(size + kBytesPerSurface * names)) return;
    surfaces_.assign(static_cast<size_t>(names), LwoSurface{});
    for (LwoSurface& surface : surfaces_) ResetSurface(surface);
    surfaceNames_.assign(static_cast<size_t>(names), SurfaceName{});
    int64_t p = 0;
    for (SurfaceName& name : surfaceNames_) {
        int64_t n = 0;
        while (p < length && body[p] != 0) {
            if (n < kNameLength - 1) name.text[n++] = static_cast<char>(body[p]);
            ++p;
        }
        while (p < length && body[p] == 0) ++p;
    }
}

void CLwoRead::ReadPolygons(const uint8_t* body, int64_t length, int64_t chunkAt) {
    // Each polygon: corner count, the corners' point indices, surface number
    // (all 16-bit). A negative surface number means the polygon belongs to
    // surface -s and a count of detail polygons follows; those have the same
    // layout and are read as ordinary polygons by this same loop.
    int64_t p = 0;
    uint32_t ordinal = 0;
    while (p < length) {
        ++ordinal;
        const int64_t count = length - p < 2 ? 0 : ReadU16(body + p);
        const int64_t bytes = 2 + 2 * count + 2;
        if (length - p < bytes) {
            NoteDamage("POLS chunk at byte %lld: polygon %u runs past the chunk end", static_cast<long long>(chunkAt),
                       ordinal);
            break;
        }
        const uint8_t* indices = body + p + 2;
        const int16_t number = ReadI16(body + p + 2 + 2 * count);
        p += bytes;
        int32_t surface = number - 1;
        if (number < 0) {
            surface = -static_cast<int32_t>(number) - 1;
            if (length - p >= 2) p += 2;  // count of the detail polygons that follow
        }
        // Points and lines have no area: nothing to draw.
        if (count < 3) continue;
        const auto first = static_cast<uint32_t>(corners_.size());
        for (int64_t i = 0; i < count; ++i) corners_.push_back(ReadU16(indices + 2 * i));
        polygons_.push_back(
            RawPolygon{first, static_cast<uint32_t>(count), surface, static_cast<uint32_t>(chunkAt), ordinal});
    }
}

void CLwoRead::BuildTriangles() {
    // Polygons are split once the whole file is read: points may follow them.
    TriangulationScratch scratch;
    scratch.earTestsLeft += kEarTestsPerCorner * static_cast<int64_t>(corners_.size());
    const auto pointCount = static_cast<uint32_t>(points_.size());
    const auto surfaceCount = static_cast<int32_t>(surfaces_.size());
    for (const RawPolygon& polygon : polygons_) {
        const uint32_t* corners = corners_.data() + polygon.firstCorner;
        uint32_t bad = 0;
        bool valid = true;
        for (uint32_t i = 0; i < polygon.cornerCount && valid; ++i)
            if (corners[i] >= pointCount) {
                bad = corners[i];
                valid = false;
            }
        if (!valid) {
            NoteDamage("POLS chunk at byte %u: polygon %u uses point %u, but the object has %u points", polygon.chunkAt,
                       polygon.number, bad, pointCount);
            continue;
        }
        // Surface number 0 (index -1) deliberately names no surface.
        if (polygon.surface >= surfaceCount)
            NoteDamage("POLS chunk at byte %u: polygon %u names surface %d, but the object has %d surfaces",
                       polygon.chunkAt, polygon.number, polygon.surface + 1, surfaceCount);
        if (static_cast<int64_t>(triangles_.size()) + polygon.cornerCount - 2 > kMaxTriangles) {
            NoteDamage("POLS chunk at byte %u: polygon %u passes the limit of %lld triangles", polygon.chunkAt,
                       polygon.number, static_cast<long long>(kMaxTriangles));
            break;
        }
        const size_t before = triangles_.size();
        TriangulatePolygon(points_.data(), corners, static_cast<int>(polygon.cornerCount), polygon.surface, triangles_,
                           scratch);
        if (lwo2_)
            trianglePolygons_.insert(trianglePolygons_.end(), triangles_.size() - before,
                                     static_cast<uint32_t>(&polygon - polygons_.data()));
    }
    polygons_.clear();
    polygons_.shrink_to_fit();
    corners_.clear();
    corners_.shrink_to_fit();

    surfacePolys_.assign(surfaces_.size(), 0);
    for (const LwoTriangle& t : triangles_)
        if (t.surface >= 0 && t.surface < surfaceCount) ++surfacePolys_[t.surface];

    faceNormals_.resize(triangles_.size());
    for (size_t t = 0; t < triangles_.size(); ++t) {
        const Vector3& a = points_[triangles_[t].a];
        const Vector3& b = points_[triangles_[t].b];
        const Vector3& c = points_[triangles_[t].c];
        const Vector3 ca{a.x - c.x, a.y - c.y, a.z - c.z};
        const Vector3 ab{b.x - a.x, b.y - a.y, b.z - a.z};
        Vector3 n;
        VecCross(ca, ab, n);
        VecNormalize(n);
        faceNormals_[t] = n;
    }
}

int CLwoRead::SurfacePolys(int surface) const {
    // The listed surfaces were counted once after the parse (the engine asks
    // for each); any other number is counted here.
    if (surface >= 0 && static_cast<size_t>(surface) < surfacePolys_.size()) return surfacePolys_[surface];
    int count = 0;
    for (const LwoTriangle& t : triangles_)
        if (t.surface == surface) ++count;
    return count;
}

bool CLwoRead::HasTexture(int surface, int slot) const {
    if (surface < 0 || surface >= SurfaceCount() || slot < 0 || slot >= kTextureSlots) return false;
    return surfaces_[surface].slots[slot].imageName[0] != 0;
}

const char* CLwoRead::TextureName(int surface, int slot) const {
    if (surface < 0 || surface >= SurfaceCount() || slot < 0 || slot >= kTextureSlots) return "";
    return surfaces_[surface].slots[slot].imageName;
}

}  // namespace lwo
