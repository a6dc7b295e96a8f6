#include "lwo_reader.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "big_endian.h"
#include "platform/platform.h"
#include "polygon_triangulation.h"

namespace lwo {
namespace {

// Every message of the plug-in is formatted here.
char g_message[256];

constexpr const char* kParseCaption = "CLwoRead::Parse Error";

// Formats into the message buffer, cutting what does not fit.
__attribute__((format(printf, 1, 2))) const char* Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vsnprintf(g_message, sizeof g_message, format, args);
    va_end(args);
    return g_message;
}

void Report(r_MsgCallback cb, const char* message)
{
    if (cb)
        cb(message);
}

}  // namespace

CLwoRead& Reader()
{
    static CLwoRead reader;
    return reader;
}

void ResetSurface(LwoSurface& surface)
{
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

void CLwoRead::Clear()
{
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
}

int CLwoRead::Load3D(const char* path, r_MsgCallback cb)
{
    Clear();
    if (path == nullptr)
        path = "";
    if (Load(path) != 0) {
        Report(cb, Format("Lwo.dll Load3D : Error, could not open %s\n", path));
    }
    if (Parse(true) == ParseResult::NoData)
        return -1;
    if (damaged_) {
        Report(cb, Format("Lwo.dll Load3D : Warning, %s is damaged, some of its data was not read\n", path));
    }
    if (skipped_ != 0) {
        // One line naming everything the engine cannot show.
        char list[200] = "";
        for (int bit = 0; bit < kSkipNoteCount; ++bit) {
            if (!(skipped_ & (1u << bit)))
                continue;
            const size_t used = std::strlen(list);
            std::snprintf(list + used, sizeof list - used, "%s%s", used ? ", " : "", SkipNoteText(1u << bit));
        }
        Report(cb, Format("Lwo.dll Load3D : %s : not shown: %s\n", path, list));
    }
    Report(cb, Format("Lwo.dll Load3D : Loaded %s\n", path));
    return 0;
}

void CLwoRead::Warn(bool validForm)
{
    const char* text = validForm ? Format("File %s\nFailed LWOB Check!", fileName)
                                 : Format("File %s\nIs not a Valid .LWO file!", fileName);
    plat_MessageBox(nullptr, text, kParseCaption, PLAT_MB_OK | PLAT_MB_ICONWARNING);
}

ParseResult CLwoRead::Parse(bool showWarnings)
{
    surfaces_.clear();
    surfaceNames_.clear();
    if (data == nullptr || size <= 0)
        return ParseResult::NoData;
    const int64_t fileSize = size;
    if (fileSize < 4 || !ChunkIdEquals(data, "FORM")) {
        if (showWarnings)
            Warn(false);
        return ParseResult::Invalid;
    }
    if (fileSize >= 12 && ChunkIdEquals(data + 8, "LWO2")) {
        lwo2_ = true;
        const int64_t formEnd = 8 + int64_t{ReadU32(data + 4)};
        if (formEnd > fileSize)
            damaged_ = true;
        ParseLwo2(std::min(formEnd, fileSize));
        BuildTriangles();
        FinishLwo2();
        return ParseResult::Ok;
    }
    if (fileSize < 12 || !ChunkIdEquals(data + 8, "LWOB")) {
        if (showWarnings)
            Warn(true);
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
        if (q + 8 > fileSize) {
            damaged_ = true;
            break;
        }
        const int64_t length = ReadU32(data + q + 4);
        const int64_t available = fileSize - (q + 8);
        const int64_t span = std::min(length, available);
        if (length > available)
            damaged_ = true;
        const uint8_t* body = data + q + 8;
        switch (which) {
        case 0: ReadSurfaceNames(body, span); break;
        case 1: ReadPoints(body, span); break;
        case 2: ReadPolygons(body, span); break;
        default: ReadSurface(body, span); break;
        }
        q += 4 + length;
    }

    BuildTriangles();
    return ParseResult::Ok;
}

void CLwoRead::ReadPoints(const uint8_t* body, int64_t length)
{
    const int64_t count = length / 12;
    points_.assign(static_cast<size_t>(count), Vector3{0.0f, 0.0f, 0.0f});
    for (int64_t i = 0; i < count; ++i) {
        const uint8_t* p = body + i * 12;
        points_[i] = Vector3{ReadF32(p), ReadF32(p + 4), ReadF32(p + 8)};
    }
}

void CLwoRead::ReadSurfaceNames(const uint8_t* body, int64_t length)
{
    // One name per run of zero bytes; a name without a terminating zero at
    // the end of the chunk is not counted.
    int64_t names = 0;
    for (int64_t i = 0; i < length;) {
        if (body[i] != 0) {
            ++i;
            continue;
        }
        while (i < length && body[i] == 0)
            ++i;
        ++names;
    }
    surfaces_.assign(static_cast<size_t>(names), LwoSurface{});
    for (LwoSurface& surface : surfaces_)
        ResetSurface(surface);
    surfaceNames_.assign(static_cast<size_t>(names), SurfaceName{});
    int64_t p = 0;
    for (SurfaceName& name : surfaceNames_) {
        int64_t n = 0;
        while (p < length && body[p] != 0) {
            if (n < kNameLength - 1)
                name.text[n++] = static_cast<char>(body[p]);
            ++p;
        }
        while (p < length && body[p] == 0)
            ++p;
    }
}

void CLwoRead::ReadPolygons(const uint8_t* body, int64_t length)
{
    // Each polygon: corner count, the corners' point indices, surface number
    // (all 16-bit). A negative surface number means the polygon belongs to
    // surface -s and a count of detail polygons follows; those have the same
    // layout and are read as ordinary polygons by this same loop.
    int64_t p = 0;
    while (p < length) {
        if (length - p < 2) {
            damaged_ = true;
            break;
        }
        const int64_t count = ReadU16(body + p);
        const int64_t bytes = 2 + 2 * count + 2;
        if (length - p < bytes) {
            damaged_ = true;
            break;
        }
        const uint8_t* indices = body + p + 2;
        const int16_t number = ReadI16(body + p + 2 + 2 * count);
        p += bytes;
        int32_t surface = number - 1;
        if (number < 0) {
            surface = -static_cast<int32_t>(number) - 1;
            if (length - p >= 2)
                p += 2;  // count of the detail polygons that follow
        }
        // Points and lines have no area: nothing to draw.
        if (count < 3)
            continue;
        const auto first = static_cast<uint32_t>(corners_.size());
        for (int64_t i = 0; i < count; ++i)
            corners_.push_back(ReadU16(indices + 2 * i));
        polygons_.push_back(RawPolygon{first, static_cast<uint32_t>(count), surface});
    }
}

void CLwoRead::BuildTriangles()
{
    // Polygons are split once the whole file is read: points may follow them.
    TriangulationScratch scratch;
    scratch.earTestsLeft += kEarTestsPerCorner * static_cast<int64_t>(corners_.size());
    const auto pointCount = static_cast<uint32_t>(points_.size());
    for (const RawPolygon& polygon : polygons_) {
        const uint32_t* corners = corners_.data() + polygon.firstCorner;
        bool valid = true;
        for (uint32_t i = 0; i < polygon.cornerCount; ++i)
            if (corners[i] >= pointCount)
                valid = false;
        if (!valid) {
            damaged_ = true;
            continue;
        }
        if (static_cast<int64_t>(triangles_.size()) + polygon.cornerCount - 2 > kMaxTriangles) {
            damaged_ = true;
            break;
        }
        const size_t before = triangles_.size();
        TriangulatePolygon(points_.data(), corners, static_cast<int>(polygon.cornerCount), polygon.surface,
                           triangles_, scratch);
        if (lwo2_)
            trianglePolygons_.insert(trianglePolygons_.end(), triangles_.size() - before,
                                     static_cast<uint32_t>(&polygon - polygons_.data()));
    }
    polygons_.clear();
    polygons_.shrink_to_fit();
    corners_.clear();
    corners_.shrink_to_fit();

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

int CLwoRead::SurfacePolys(int surface) const
{
    int count = 0;
    for (const LwoTriangle& t : triangles_)
        if (t.surface == surface)
            ++count;
    return count;
}

bool CLwoRead::HasTexture(int surface, int slot) const
{
    if (surface < 0 || surface >= SurfaceCount() || slot < 0 || slot >= kTextureSlots)
        return false;
    return surfaces_[surface].slots[slot].imageName[0] != 0;
}

const char* CLwoRead::TextureName(int surface, int slot) const
{
    if (surface < 0 || surface >= SurfaceCount() || slot < 0 || slot >= kTextureSlots)
        return "";
    return surfaces_[surface].slots[slot].imageName;
}

}  // namespace lwo
