// LWO2 objects: layers of points and polygons with surface tags, vertex
// maps, clips and surfaces. Every layer's points and polygons join the one
// object; triangles are made by the same pass as for LWOB.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "big_endian.h"
#include "chunk_walker.h"
#include "image_names.h"
#include "lwo2_surface.h"
#include "lwo_reader.h"

namespace lwo {
namespace {

constexpr int kMaxMapDimension = 4;

struct Clip {
    uint32_t index;
    char still[kNameLength];  // STIL file name as written; empty for other clip kinds
};

// The points of the layer being read: polygon and map indices are local to it.
struct Layer {
    uint32_t firstPoint = 0;
    uint32_t pointCount = 0;
    bool shown = true;  // its polygons are drawn: every layer, or the one asked for
};

// The polygons of the latest POLS chunk, which PTAG and VMAD indices refer
// to: entry i is the polygons_ entry of its polygon i, or -1 for one that is
// not drawn (a point, a line, a curve, a bad index).
struct PolygonList {
    std::vector<int64_t> entry;
};

// Key of a point's own value among the corner values (no polygon has this number).
constexpr uint64_t kAnyPolygon = 0xFFFFFFFFu;

void StoreCornerValues(VertexMap& map, uint64_t key, const float* values) {
    const size_t n = static_cast<size_t>(map.dimension);
    const auto [at, added] = map.cornerIndex.emplace(key, static_cast<uint32_t>(map.cornerValues.size()));
    if (added)
        map.cornerValues.insert(map.cornerValues.end(), values, values + n);
    else
        std::copy(values, values + n, map.cornerValues.begin() + at->second);
}

// For the damage texts: the chunk's identifier and its byte offset in the file.
const char* Name(const Chunk& chunk) { return reinterpret_cast<const char*>(chunk.id); }

long long At(const Chunk& chunk) { return static_cast<long long>(chunk.offset); }

bool SameName(const char* a, const char* b) { return std::strncmp(a, b, kNameLength) == 0; }

}  // namespace

const char* SkipNoteText(uint32_t note) {
    switch (note) {
        case kSkipProcedural:
            return "procedural textures";
        case kSkipGradient:
            return "gradients";
        case kSkipShader:
            return "shaders";
        case kSkipBump:
            return "bump maps";
        case kSkipEnvelope:
            return "envelopes";
        case kSkipOtherChannel:
            return "image layers on other channels";
        case kSkipRefraction:
            return "refraction images";
        case kSkipFrontProjection:
            return "front projections";
        case kSkipCurve:
            return "curves";
        case kSkipMetaball:
            return "metaballs";
        case kSkipBone:
            return "bones";
        case kSkipAnimatedClip:
            return "animated or referenced clips";
        case kSkipExtraLayers:
            return "texture layers past the eighth";
        case kSkipVertexColourDetail:
            return "per-point vertex colours (their mean is drawn)";
        case kSkipPartialOpacity:
            return "layer opacities (drawn opaque)";
        case kSkipWrapMode:
            return "image edge modes other than repeat";
        default:
            return "";
    }
}

void CLwoRead::ParseLwo2(int64_t end) {
    std::vector<SurfaceName> tags;
    std::vector<Clip> clips;
    std::vector<LwoSurface> read;  // SURF chunks in file order
    // Data before the first LAYR belongs to layer 1.
    Layer layer;
    layer.shown = layer_ == 0 || layer_ == 1;
    PolygonList latest;
    // Floats the vertex maps may hold by point number, all maps together.
    const int64_t denseBudget = 4 * int64_t{size} + 65536;
    int64_t denseFloats = 0;

    ChunkWalker walk(data, 12, end, 4);
    Chunk chunk;
    while (walk.Next(chunk)) {
        ByteCursor in(chunk);
        switch (ReadU32(chunk.id)) {
            case Id("TAGS"):
                while (in.Left() > 0 && !in.Short()) {
                    tags.emplace_back();
                    in.Text(tags.back().text);
                }
                if (in.Short()) NoteDamage("TAGS chunk at byte %lld: its last tag has no end", At(chunk));
                break;
            case Id("LAYR"): {
                const uint32_t number = in.U2();
                layer = Layer{static_cast<uint32_t>(points_.size()), 0,
                              layer_ == 0 || (!in.Short() && number + 1 == static_cast<uint32_t>(layer_))};
                layerFound_ = layerFound_ || layer.shown;
                latest.entry.clear();
                break;
            }
            case Id("PNTS"): {
                const int64_t count = chunk.span / 12;
                if (chunk.span % 12 != 0)
                    NoteDamage("PNTS chunk at byte %lld: its %lld bytes are no whole number of points", At(chunk),
                               static_cast<long long>(chunk.span));
                if (static_cast<int64_t>(points_.size()) + count > kMaxTriangles) {
                    NoteDamage("PNTS chunk at byte %lld: more points than an object may have", At(chunk));
                    break;
                }
                points_.reserve(points_.size() + static_cast<size_t>(count));
                for (int64_t i = 0; i < count; ++i) points_.push_back(in.Vec());
                layer.pointCount += static_cast<uint32_t>(count);
                break;
            }
            case Id("POLS"): {
                const uint32_t kind = in.U4();
                const bool drawn = layer.shown && (kind == Id("FACE") || kind == Id("PTCH") || kind == Id("SUBD"));
                if (kind == Id("CURV"))
                    skipped_ |= kSkipCurve;
                else if (kind == Id("MBAL"))
                    skipped_ |= kSkipMetaball;
                else if (kind == Id("BONE"))
                    skipped_ |= kSkipBone;
                latest.entry.clear();
                std::vector<uint32_t> corners;
                while (in.Left() > 0) {
                    const uint32_t count = in.U2() & 0x03FFu;
                    if (count == 0) {
                        // No polygon has no corners: the rest cannot be trusted.
                        NoteDamage(
                            "POLS chunk at byte %lld: polygon %zu has no corners; the rest of the chunk is not read",
                            At(chunk), latest.entry.size() + 1);
                        break;
                    }
                    corners.clear();
                    bool inside = true;
                    for (uint32_t i = 0; i < count; ++i) {
                        const uint32_t point = in.VX();
                        inside = inside && point < layer.pointCount;
                        corners.push_back(layer.firstPoint + point);
                    }
                    if (in.Short()) {
                        NoteDamage("POLS chunk at byte %lld: polygon %zu runs past the chunk end", At(chunk),
                                   latest.entry.size() + 1);
                        break;
                    }
                    if (!inside)
                        NoteDamage("POLS chunk at byte %lld: polygon %zu names a point past the layer's %u points",
                                   At(chunk), latest.entry.size() + 1, layer.pointCount);
                    if (!drawn || !inside || count < 3) {
                        latest.entry.push_back(-1);
                        continue;
                    }
                    latest.entry.push_back(static_cast<int64_t>(polygons_.size()));
                    polygons_.push_back(RawPolygon{static_cast<uint32_t>(corners_.size()), count, -1,
                                                   static_cast<uint32_t>(chunk.offset),
                                                   static_cast<uint32_t>(latest.entry.size())});
                    corners_.insert(corners_.end(), corners.begin(), corners.end());
                }
                break;
            }
            case Id("PTAG"): {
                if (in.U4() != Id("SURF")) break;  // parts, smoothing groups, colour tags
                while (in.Left() > 0) {
                    const uint32_t polygon = in.VX();
                    const uint16_t tag = in.U2();
                    if (in.Short()) {
                        NoteDamage("PTAG chunk at byte %lld: an entry runs past the chunk end", At(chunk));
                        break;
                    }
                    if (polygon >= latest.entry.size()) {
                        NoteDamage("PTAG chunk at byte %lld: polygon %u is past the %zu polygons of its POLS chunk",
                                   At(chunk), polygon, latest.entry.size());
                        continue;
                    }
                    if (latest.entry[polygon] >= 0) polygons_[static_cast<size_t>(latest.entry[polygon])].surface = tag;
                }
                break;
            }
            case Id("VMAP"):
            case Id("VMAD"): {
                const bool corners = ReadU32(chunk.id) == Id("VMAD");
                const uint32_t type = in.U4();
                const int dimension = in.U2();
                char name[kNameLength];
                in.Text(name);
                if (in.Short()) {
                    NoteDamage("%.4s chunk at byte %lld: its header runs past the chunk end", Name(chunk), At(chunk));
                    break;
                }
                if (type != Id("TXUV") && type != Id("RGB ") && type != Id("RGBA"))
                    break;  // weights, morphs, selections, normals
                auto found = std::find_if(vertexMaps_.begin(), vertexMaps_.end(),
                                          [&](const VertexMap& m) { return m.type == type && SameName(m.name, name); });
                if (found == vertexMaps_.end()) {
                    vertexMaps_.emplace_back();
                    found = vertexMaps_.end() - 1;
                    found->type = type;
                    found->dimension = std::min(dimension, kMaxMapDimension);
                    std::memcpy(found->name, name, sizeof name);
                }
                VertexMap& map = *found;
                const size_t kept = static_cast<size_t>(map.dimension);
                float values[kMaxMapDimension];
                while (in.Left() > 0) {
                    const uint32_t point = in.VX();
                    const uint32_t polygon = corners ? in.VX() : 0;
                    for (int i = 0; i < dimension; ++i) {
                        const float v = in.F4();
                        if (i < kMaxMapDimension) values[i] = v;
                    }
                    for (int i = dimension; i < kMaxMapDimension; ++i) values[i] = 0.0f;
                    if (in.Short()) {
                        NoteDamage("%.4s chunk at byte %lld: an entry runs past the chunk end", Name(chunk), At(chunk));
                        break;
                    }
                    if (point >= layer.pointCount || (corners && polygon >= latest.entry.size())) {
                        NoteDamage(
                            "%.4s chunk at byte %lld: a value for point %u%s is past the layer's points or polygons",
                            Name(chunk), At(chunk), point, corners ? " of a polygon" : "");
                        continue;
                    }
                    const size_t global = layer.firstPoint + point;
                    if (corners) {
                        if (latest.entry[polygon] < 0) continue;
                        StoreCornerValues(map, (uint64_t{global} << 32) | uint64_t(latest.entry[polygon]), values);
                    } else {
                        // Values by point number while the maps' tables stay
                        // within a few times the file's size; beyond that (many
                        // maps of few points each) one entry per value.
                        if (map.pointSet.size() < points_.size()) {
                            const int64_t grow =
                                static_cast<int64_t>((points_.size() - map.pointSet.size()) * (kept + 1));
                            if (denseFloats + grow <= denseBudget) {
                                denseFloats += grow;
                                map.pointSet.resize(points_.size(), 0);
                                map.pointValues.resize(points_.size() * kept, 0.0f);
                            }
                        }
                        if (global < map.pointSet.size()) {
                            map.pointSet[global] = 1;
                            std::copy(values, values + kept,
                                      map.pointValues.begin() + static_cast<int64_t>(global * kept));
                        } else {
                            StoreCornerValues(map, (uint64_t{global} << 32) | kAnyPolygon, values);
                        }
                    }
                }
                break;
            }
            case Id("CLIP"): {
                Clip clip{in.U4(), {}};
                ChunkWalker parts(data, chunk, 4);
                Chunk part;
                while (parts.Next(part)) {
                    const uint32_t id = ReadU32(part.id);
                    if (id == Id("STIL")) {
                        ByteCursor name(part);
                        name.Text(clip.still);
                    } else if (id == Id("ISEQ") || id == Id("ANIM") || id == Id("XREF") || id == Id("STCC")) {
                        skipped_ |= kSkipAnimatedClip;
                    }
                }
                if (parts.Damaged() || in.Short())
                    NoteDamage("CLIP chunk at byte %lld: a part runs past the chunk end", At(chunk));
                clips.push_back(clip);
                break;
            }
            case Id("SURF"): {
                LwoSurface s;
                ResetSurface(s);
                char name[kNameLength], source[kNameLength];
                in.Text(name);
                in.Text(source);
                // A surface made from another starts with that one's values.
                for (const LwoSurface& earlier : read)
                    if (source[0] != 0 && SameName(earlier.name, source)) s = earlier;
                std::memcpy(s.name, name, sizeof name);
                bool cut = in.Short();
                ReadLwo2Surface(data, chunk, in.Position(), s, skipped_, cut);
                if (cut)
                    NoteDamage("SURF chunk at byte %lld (%s): a part runs past its end or is cut short", At(chunk),
                               name);
                read.push_back(s);
                break;
            }
            case Id("ENVL"):
                skipped_ |= kSkipEnvelope;
                break;
            default:
                break;  // bounding boxes, descriptions, icons, map parameters
        }
        if (chunk.span < chunk.length)
            NoteDamage("%.4s chunk at byte %lld: its length %lld runs past the end of the file (%lld bytes remain)",
                       Name(chunk), At(chunk), static_cast<long long>(chunk.length),
                       static_cast<long long>(chunk.span));
    }
    if (walk.Damaged() && walk.CutHeaderAt() >= 0)
        NoteDamage("the file ends inside the chunk header at byte %lld", static_cast<long long>(walk.CutHeaderAt()));

    // Surfaces: one per SURF chunk, in file order, then one with default
    // values for each tag polygons use without a SURF chunk, and one named
    // "Default" for polygons without a surface tag.
    std::vector<int32_t> surfaceOfTag(tags.size(), -1);
    for (size_t t = 0; t < tags.size(); ++t)
        for (size_t i = 0; i < read.size(); ++i)
            if (SameName(tags[t].text, read[i].name)) {
                surfaceOfTag[t] = static_cast<int32_t>(i);
                break;
            }
    int32_t untagged = -1;
    for (RawPolygon& polygon : polygons_) {
        const int32_t tag = polygon.surface;
        if (tag >= static_cast<int32_t>(tags.size()))
            NoteDamage("POLS chunk at byte %u: polygon %u has surface tag %d, past the %zu tags", polygon.chunkAt,
                       polygon.number, tag, tags.size());
        int32_t& surface =
            tag >= 0 && tag < static_cast<int32_t>(tags.size()) ? surfaceOfTag[static_cast<size_t>(tag)] : untagged;
        if (surface < 0) {
            LwoSurface s;
            ResetSurface(s);
            std::snprintf(s.name, sizeof s.name, "%s",
                          &surface == &untagged ? "Default" : tags[static_cast<size_t>(tag)].text);
            surface = static_cast<int32_t>(read.size());
            read.push_back(s);
        }
        polygon.surface = surface;
    }

    // Image names and UV maps of the texture slots; slots whose clip holds no
    // still image are dropped.
    for (LwoSurface& s : read) {
        int kept = 0;
        for (int j = 0; j < s.textureCount && j < kTextureSlots; ++j) {
            LwoTexture slot = s.slots[j];
            const auto clip =
                std::find_if(clips.begin(), clips.end(), [&](const Clip& c) { return c.index == slot.clip; });
            if (clip == clips.end() || clip->still[0] == 0) continue;
            ResolveImageName(fileName, clip->still, slot.imageName);
            if (slot.imageName[0] == 0) continue;
            if (slot.projection == kUvMap)
                for (size_t m = 0; m < vertexMaps_.size(); ++m)
                    if (vertexMaps_[m].type == Id("TXUV") && SameName(vertexMaps_[m].name, slot.uvMapName))
                        slot.uvMap = static_cast<int32_t>(m);
            s.slots[kept++] = slot;
        }
        for (int j = kept; j < kTextureSlots; ++j) {
            std::memset(&s.slots[j], 0, sizeof s.slots[j]);
            s.slots[j].wrapCount = 1.0f;
            s.slots[j].wrapHeight = 1.0f;
            s.slots[j].uvMap = -1;
        }
        s.textureCount = kept;
    }

    surfaces_ = std::move(read);
    surfaceNames_.assign(surfaces_.size(), SurfaceName{});
    for (size_t i = 0; i < surfaces_.size(); ++i) std::memcpy(surfaceNames_[i].text, surfaces_[i].name, kNameLength);
}

void CLwoRead::FinishLwo2() {
    // A surface coloured by an RGB or RGBA map takes the mean of the map over
    // its corners (corners without a value count as white), weighted by the
    // intensity: the engine has one colour per surface.
    for (size_t si = 0; si < surfaces_.size(); ++si) {
        LwoSurface& s = surfaces_[si];
        if (s.colourMapName[0] == 0) continue;
        int map = -1;
        for (size_t m = 0; m < vertexMaps_.size(); ++m)
            if (vertexMaps_[m].type != Id("TXUV") && SameName(vertexMaps_[m].name, s.colourMapName))
                map = static_cast<int>(m);
        if (map < 0) continue;
        double sum[3] = {0.0, 0.0, 0.0};
        float first[3] = {-1.0f, -1.0f, -1.0f};
        bool varies = false;
        int64_t corners = 0;
        for (size_t t = 0; t < triangles_.size(); ++t) {
            if (triangles_[t].surface != static_cast<int32_t>(si)) continue;
            for (const uint32_t point : {triangles_[t].a, triangles_[t].b, triangles_[t].c}) {
                float value[kMaxMapDimension] = {1.0f, 1.0f, 1.0f, 1.0f};
                CornerValue(map, point, trianglePolygons_[t], value);
                for (int c = 0; c < 3; ++c) {
                    sum[c] += value[c];
                    if (corners == 0)
                        first[c] = value[c];
                    else if (value[c] != first[c])
                        varies = true;
                }
                ++corners;
            }
        }
        if (corners == 0) continue;
        const float intensity = std::clamp(s.colourMapIntensity, 0.0f, 1.0f);
        for (int c = 0; c < 3; ++c) {
            const float mean = static_cast<float>(sum[c] / static_cast<double>(corners));
            s.colour[c] *= 1.0f - intensity + intensity * mean;
        }
        if (varies) skipped_ |= kSkipVertexColourDetail;
    }
}

bool CLwoRead::CornerValue(int map, uint32_t point, uint32_t polygon, float* out) const {
    if (map < 0 || map >= static_cast<int>(vertexMaps_.size())) return false;
    const VertexMap& m = vertexMaps_[static_cast<size_t>(map)];
    const size_t n = static_cast<size_t>(m.dimension);
    if (!m.cornerIndex.empty()) {
        const auto found = m.cornerIndex.find((uint64_t{point} << 32) | polygon);
        if (found != m.cornerIndex.end()) {
            std::copy_n(m.cornerValues.begin() + found->second, n, out);
            return true;
        }
    }
    if (point < m.pointSet.size() && m.pointSet[point]) {
        std::copy_n(m.pointValues.begin() + static_cast<int64_t>(point * n), n, out);
        return true;
    }
    if (!m.cornerIndex.empty()) {
        const auto found = m.cornerIndex.find((uint64_t{point} << 32) | kAnyPolygon);
        if (found != m.cornerIndex.end()) {
            std::copy_n(m.cornerValues.begin() + found->second, n, out);
            return true;
        }
    }
    return false;
}

}  // namespace lwo
