// The object reader: one object holding the parsed file (points, triangles,
// surfaces) between r_Load3D and the next load or the unload of the plug-in.
// It reads both generations of LightWave objects, LWOB and LWO2.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/file_buffer.h"
#include "common/vecmath.h"
#include "tessaly/export.h"

namespace lwo {

constexpr int kTextureSlots = 8;
constexpr int kNameLength = 256;  // name buffers, terminating zero included

// Ceiling on the triangles of one object: keeps every vertex count the engine
// derives (3 per triangle) and every array size far inside 32-bit arithmetic.
constexpr int64_t kMaxTriangles = 20000000;

// What one load may allocate: the reader's tables, the engine's mesh records
// sized from the reader's answers (r_GetSurfacesNum, r_GetSurfacePolys,
// r_HasTexture) and r_ExportMD's scratch, estimated before the tables are
// built. The limit is kLoadAllowance plus kLoadBytesPerFileByte for every byte
// of the file, and never more than kLoadCeiling (1 GiB). A file that would need
// more is refused with a message. Objects of triangles and quads need 20 to 60
// bytes per file byte, polygons of many corners up to about 300 (one triangle
// per 2 bytes of file), a list of short surface names thousands.
constexpr int64_t kLoadCeiling = int64_t{1} << 30;
constexpr int64_t kLoadAllowance = int64_t{64} << 20;
constexpr int64_t kLoadBytesPerFileByte = 256;

// The load limit for a file of fileSize bytes.
int64_t LoadLimit(int64_t fileSize);

// Polygons above this many corners are fanned even when concave: clipping
// ears costs quadratic time in the corner count.
constexpr int kMaxEarClipCorners = 4096;

// Texture kinds, one bit each, from the identifier that opens a texture block.
enum TextureKind : int32_t {
    kColourTexture = 1,         // CTEX
    kDiffuseTexture = 2,        // DTEX
    kSpecularTexture = 4,       // STEX
    kReflectionTexture = 8,     // RTEX
    kTransparencyTexture = 16,  // TTEX
    kBumpTexture = 32,          // BTEX
};

// Surface flag bits that change how a mesh is built or drawn.
constexpr uint16_t kFlagSmoothing = 0x4;
constexpr uint16_t kFlagSourceColourBlend = 0x80;
constexpr uint16_t kFlagDoubleSided = 0x100;
constexpr uint16_t kFlagAdditive = 0x200;

// Texture flag bits: the projection axis.
constexpr uint16_t kAxisX = 0x1;
constexpr uint16_t kAxisY = 0x2;
constexpr uint16_t kAxisZ = 0x4;

// How a texture slot's coordinates are made. LWOB slots take theirs from the
// block's type text ("Planar Image Map" and so on), LWO2 slots from PROJ.
enum Projection : int32_t {
    kNoProjection = 0,  // no coordinates are computed
    kPlanar,
    kCylindrical,
    kSpherical,  // LWO2 only: LWOB's spherical maps stay without coordinates
    kCubic,
    kUvMap,  // from a TXUV vertex map (LWO2)
};

// Things of an LWO2 file the engine cannot show; each one met is named once
// in the message of the load.
enum SkipNote : uint32_t {
    kSkipProcedural = 1u << 0,
    kSkipGradient = 1u << 1,
    kSkipShader = 1u << 2,
    kSkipBump = 1u << 3,
    kSkipEnvelope = 1u << 4,
    kSkipOtherChannel = 1u << 5,  // image layers on channels without a texture kind
    kSkipRefraction = 1u << 6,
    kSkipFrontProjection = 1u << 7,
    kSkipCurve = 1u << 8,
    kSkipMetaball = 1u << 9,
    kSkipBone = 1u << 10,
    kSkipAnimatedClip = 1u << 11,        // image sequences, animations, clip references
    kSkipExtraLayers = 1u << 12,         // image layers beyond the eight slots
    kSkipVertexColourDetail = 1u << 13,  // per-point colours: the mean colour is drawn
    kSkipPartialOpacity = 1u << 14,      // image layers between invisible and opaque: drawn opaque
    kSkipWrapMode = 1u << 15,            // image edges other than repeated: drawn repeated
};
constexpr int kSkipNoteCount = 16;

struct LwoTexture {
    char typeText[kNameLength];   // text opening the block, e.g. "Planar Image Map"
    char imageName[kNameLength];  // TIMG file name without directories; empty: no image
    uint16_t flags;               // TFLG: projection axis bits
    int32_t kind;                 // TextureKind of the opening identifier
    Vector3 size;                 // TSIZ
    Vector3 centre;               // TCTR
    Vector3 velocity;             // TVEL
    float wrapCount;              // TFP0; 1.0 when the block has none (LWO2: WRPW)
    int32_t projection;           // Projection: from the type text (LWOB) or PROJ (LWO2)
    Vector3 rotation;             // LWO2 ROTA: heading, pitch, bank in radians
    float wrapHeight;             // LWO2 WRPH: wraps of a spherical map from pole to pole; 1.0 without
    uint32_t clip;                // LWO2 IMAG: the CLIP holding the image, until names are resolved
    int32_t uvMap;                // LWO2: index of the TXUV map in the reader's vertex maps, -1 for none
    char uvMapName[kNameLength];  // LWO2 VMAP: name of that map
};

struct LwoSurface {
    char name[kNameLength];  // SURF name (empty until a SURF chunk names it)
    float smoothingAngle;    // SMAN, radians
    float colour[3];         // COLR red, green, blue 0..1
    LwoTexture slots[kTextureSlots];
    uint16_t flags;                   // FLAG
    int32_t textureCount;             // texture blocks stored (at most 8)
    float luminosity;                 // LUMI / 256
    float diffuse;                    // 1.0 once a DIFF sub-chunk was seen
    float reflection;                 // REFL / 256
    float transparency;               // TRAN / 256
    char colourMapName[kNameLength];  // LWO2 VCOL: RGB or RGBA map that colours the surface; empty: none
    float colourMapIntensity;         // LWO2 VCOL intensity
};

struct LwoTriangle {
    uint32_t a, b, c;  // point indices, always below the point count
    int32_t surface;   // 0-based surface index; -1 (surface number 0) matches no surface
};

struct SurfaceName {
    char text[kNameLength];
};

// Per-point values of an LWO2 vertex map (VMAP) and per-corner overrides
// (VMAD), all layers' entries under one name together.
struct VertexMap {
    uint32_t type = 0;      // identifier as a big-endian number: TXUV, RGB or RGBA
    int32_t dimension = 0;  // values kept per entry, 1 to 4
    char name[kNameLength] = {};
    std::vector<float> pointValues;                      // dimension values per point of the object
    std::vector<uint8_t> pointSet;                       // 1 where the point has a value
    std::unordered_map<uint64_t, uint32_t> cornerIndex;  // point << 32 | polygon -> first of cornerValues
    std::vector<float> cornerValues;
};

// TooLarge: the object would need more memory than LoadLimit allows.
enum class ParseResult { NoData, Invalid, TooLarge, Ok };

class CLwoRead : public FileBuffer, public ObjectFrame {
public:
    CLwoRead();
    ~CLwoRead() override;
    CLwoRead(const CLwoRead&) = delete;
    CLwoRead& operator=(const CLwoRead&) = delete;

    // r_Load3D: releases the previous object, reads and parses path. layer 0
    // keeps every layer; n keeps only the layer numbered n - 1 in the file
    // (the layer a scene's "LoadObjectLayer n" names; an LWOB object is layer
    // 1). A file without that layer is refused.
    int Load3D(const char* path, r_MsgCallback cb, int layer = 0);
    // Frees everything and sets every count to 0.
    void Clear();
    // Parses the loaded bytes; warning boxes for files that are no LWOB.
    ParseResult Parse(bool showWarnings);

    int SurfaceCount() const { return static_cast<int>(surfaces_.size()); }
    int PointCount() const { return static_cast<int>(points_.size()); }
    int TriangleCount() const { return static_cast<int>(triangles_.size()); }
    int SurfacePolys(int surface) const;
    bool HasTexture(int surface, int slot) const;
    const char* TextureName(int surface, int slot) const;

    const std::vector<Vector3>& Points() const { return points_; }
    const std::vector<LwoTriangle>& Triangles() const { return triangles_; }
    const std::vector<Vector3>& FaceNormals() const { return faceNormals_; }
    const std::vector<LwoSurface>& Surfaces() const { return surfaces_; }
    const std::vector<SurfaceName>& SurfaceNames() const { return surfaceNames_; }
    // True when the last parse met data it could not use (lengths beyond the
    // file, cut points or polygons, point or surface numbers out of range, the
    // triangle ceiling).
    bool Damaged() const { return damaged_; }
    // The first such problem met in an LWOB file, naming its chunk and the
    // chunk's byte offset in the file, e.g. "POLS chunk at byte 40: polygon 3
    // runs past the chunk end" (empty when no text was recorded);
    // DamageCount() counts the recorded problems.
    const std::string& DamageText() const { return damageText_; }
    int DamageCount() const { return damageCount_; }
    // After ParseResult::TooLarge: the memory the object would have needed.
    int64_t NeededBytes() const { return neededBytes_; }
    // LWO2: SkipNote bits of what the file holds that the engine cannot show.
    uint32_t Skipped() const { return skipped_; }
    bool IsLwo2() const { return lwo2_; }
    // LWO2: the polygon each triangle came from (numbered over the whole
    // object in reading order, drawn polygons only), for the corner values of
    // vertex maps. Empty for LWOB.
    const std::vector<uint32_t>& TrianglePolygons() const { return trianglePolygons_; }
    const std::vector<VertexMap>& VertexMaps() const { return vertexMaps_; }
    // The value of map at one polygon corner: the VMAD entry of (point,
    // polygon), else the point's VMAP entry. False when it has neither.
    bool CornerValue(int map, uint32_t point, uint32_t polygon, float* out) const;

    // Scratch for r_ExportMD's smoothing: vertex numbers of one group.
    std::vector<int32_t> smoothingList;

private:
    struct RawPolygon {
        uint32_t firstCorner;  // into corners_
        uint32_t cornerCount;
        int32_t surface;
        uint32_t chunkAt;  // file offset of its POLS chunk, for messages
        uint32_t number;   // 1 for the first polygon of that chunk
    };

    // Records one problem of a damaged file; the first one's text is kept.
    __attribute__((format(printf, 2, 3))) void NoteDamage(const char* format, ...);
    // False (and the need recorded) when bytes pass the load limit.
    bool WithinLimit(int64_t bytes);
    // Memory the reading holds: the file, points, polygons, surfaces, maps.
    int64_t HeldBytes() const;
    // Memory the triangles of the read polygons will take, here and in the engine.
    int64_t TriangleBytes() const;

    void ReadPoints(const uint8_t* data, int64_t length, int64_t chunkAt);
    void ReadSurfaceNames(const uint8_t* data, int64_t length, int64_t chunkAt);
    void ReadPolygons(const uint8_t* data, int64_t length, int64_t chunkAt);
    void ReadSurface(const uint8_t* data, int64_t length);
    void BuildTriangles();
    void Warn(bool validForm);  // the box for a file that is no LWOB object

    // LWO2 (lwo2_reader.cpp): the chunks of the form up to end, then the
    // triangles, image names and vertex colours.
    void ParseLwo2(int64_t end);
    void FinishLwo2();

    std::vector<SurfaceName> surfaceNames_;
    std::vector<Vector3> points_;
    std::vector<Vector3> faceNormals_;
    std::vector<LwoTriangle> triangles_;
    std::vector<LwoSurface> surfaces_;
    std::vector<RawPolygon> polygons_;  // POLS contents until the scan ends
    std::vector<uint32_t> corners_;
    std::vector<uint32_t> trianglePolygons_;  // LWO2: see TrianglePolygons()
    std::vector<VertexMap> vertexMaps_;
    std::vector<int32_t> surfacePolys_;  // triangles per surface, counted once
    std::string damageText_;
    int damageCount_ = 0;
    int64_t neededBytes_ = 0;
    bool tooLarge_ = false;
    bool damaged_ = false;
    bool lwo2_ = false;
    uint32_t skipped_ = 0;
    int layer_ = 0;            // the layer asked for (see Load3D); set by each load
    bool layerFound_ = false;  // the parse met the layer asked for
};

// The words the load message uses for one SkipNote bit.
const char* SkipNoteText(uint32_t note);

// Defaults of a surface entry before any SURF chunk touches it.
void ResetSurface(LwoSurface& surface);

// The reader the exports work on (constructed when the library is loaded).
CLwoRead& Reader();

}  // namespace lwo
