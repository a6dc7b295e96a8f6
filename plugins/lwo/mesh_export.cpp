#include "mesh_export.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "vertex_grouping.h"

namespace lwo {
namespace {

constexpr float kTwoPi = 6.2831852f;

Vector3 Minus(const Vector3& a, const Vector3& b) { return Vector3{a.x - b.x, a.y - b.y, a.z - b.z}; }

uint8_t BlendModeOf(uint16_t flags) {
    if (flags & kFlagAdditive) return 4;
    if (flags & kFlagSourceColourBlend) return 16;
    return 8;
}

// Bounding sphere of points: centre of their box, radius to the farthest.
void BoundingSphere(ObjectFrame& box, const Vector3* points, int count, Vector3& centre, float& radius) {
    box.ResetMaximum();
    box.ResetMinimum();
    for (int k = 0; k < count; ++k) {
        box.GrowMaximum(points[k]);
        box.GrowMinimum(points[k]);
    }
    centre = Vector3{(box.boxMinimum.x + box.boxMaximum.x) / 2.0f, (box.boxMinimum.y + box.boxMaximum.y) / 2.0f,
                     (box.boxMinimum.z + box.boxMaximum.z) / 2.0f};
    radius = 0.0f;
    for (int k = 0; k < count; ++k) {
        const float d = VecDistance(points[k], centre);
        if (d > radius) radius = d;
    }
}

}  // namespace

// Model sphere from the mesh spheres; the radius is only ever raised.
void EncloseMeshes(ObjectFrame& box, CModel& model, int meshCount) {
    box.ResetMaximum();
    box.ResetMinimum();
    for (int i = 0; i < meshCount; ++i) {
        box.GrowMaximum(model.meshes[i].centre);
        box.GrowMinimum(model.meshes[i].centre);
    }
    model.centre = Vector3{(box.boxMinimum.x + box.boxMaximum.x) / 2.0f, (box.boxMinimum.y + box.boxMaximum.y) / 2.0f,
                           (box.boxMinimum.z + box.boxMaximum.z) / 2.0f};
    for (int i = 0; i < meshCount; ++i) {
        const float r = VecDistance(model.meshes[i].centre, model.centre) + model.meshes[i].radius;
        if (r > model.radius) model.radius = r;
    }
}

namespace {

// Turns a point given relative to a texture's centre into the texture's own
// axes: the heading (about y), pitch (about x) and bank (about z) of the
// texture undone in reverse order.
Vector3 Unrotate(const Vector3& d, const Vector3& rotation) {
    Vector3 r = d;
    if (rotation.x != 0.0f) {
        const float c = std::cos(rotation.x), s = std::sin(rotation.x);
        r = Vector3{c * r.x - s * r.z, r.y, s * r.x + c * r.z};
    }
    if (rotation.y != 0.0f) {
        const float c = std::cos(rotation.y), s = std::sin(rotation.y);
        r = Vector3{r.x, c * r.y + s * r.z, -s * r.y + c * r.z};
    }
    if (rotation.z != 0.0f) {
        const float c = std::cos(rotation.z), s = std::sin(rotation.z);
        r = Vector3{c * r.x + s * r.y, -s * r.x + c * r.y, r.z};
    }
    return r;
}

bool Rotated(const LwoTexture& slot) {
    return slot.rotation.x != 0.0f || slot.rotation.y != 0.0f || slot.rotation.z != 0.0f;
}

}  // namespace

void ProjectTextureCoordinates(const LwoSurface& surface, CMesh& mesh, int cornerCount) {
    const Vector3* positions = mesh.positions;
    for (int j = 0; j < kTextureSlots; ++j) {
        const LwoTexture& slot = surface.slots[j];
        TexCoord* uv = mesh.texCoords[j];
        if (slot.imageName[0] == 0 || uv == nullptr || mesh.texCoordCapacity[j] < cornerCount) continue;
        std::memset(uv, 0, sizeof(TexCoord) * static_cast<size_t>(cornerCount));
        const Vector3 c = slot.centre;
        const Vector3 z = slot.size;
        const Vector3 iz{1.0f / z.x, 1.0f / z.y, 1.0f / z.z};
        const float w = slot.wrapCount;
        const uint16_t f = slot.flags;
        const bool rotated = Rotated(slot);
        // Position of corner k relative to the centre, in the texture's axes.
        auto offset = [&](int k) {
            const Vector3 d = Minus(positions[k], c);
            return rotated ? Unrotate(d, slot.rotation) : d;
        };

        auto planarX = [&](const Vector3& d, TexCoord& t) {
            t.u = d.z * iz.z - 0.5f;
            t.v = 0.5f - d.y * iz.y;
        };
        auto planarY = [&](const Vector3& d, TexCoord& t) {
            t.u = d.x * iz.x - 0.5f;
            t.v = 0.5f - d.z * iz.z;
        };
        auto planarZ = [&](const Vector3& d, TexCoord& t) {
            t.u = d.x * iz.x - 0.5f;
            t.v = 0.5f - d.y * iz.y;
        };
        // Fraction of a turn round the axis, times the wrap count.
        auto around = [&](float a, float b) {
            const float turn = std::acos(b);
            const float fraction = a > 0.0f ? turn / kTwoPi : (kTwoPi - turn) / kTwoPi;
            return fraction * w;
        };
        // A triangle that straddles the seam gets its low corners moved
        // one wrap up, so it does not sweep back over the whole texture.
        auto repairSeams = [&] {
            auto repair = [&](float& first, float& second) {
                const float r = (first - second) / w;
                if (std::fabs(r) > 0.5f) {
                    if (r <= 0.0f)
                        first += w;
                    else
                        second += w;
                }
            };
            for (int t = 0; t + 2 < cornerCount; t += 3) {
                repair(uv[t].u, uv[t + 1].u);
                repair(uv[t].u, uv[t + 2].u);
                repair(uv[t + 1].u, uv[t + 2].u);
            }
        };

        switch (slot.projection) {
            case kPlanar:
                for (int k = 0; k < cornerCount; ++k) {
                    const Vector3 d = offset(k);
                    if (f & kAxisX) planarX(d, uv[k]);
                    if (f & kAxisY) planarY(d, uv[k]);
                    if (f & kAxisZ) planarZ(d, uv[k]);
                }
                break;
            case kCubic:
                // Each corner takes the plane its triangle faces most; on a tie
                // the later axis wins.
                for (int k = 0; k < cornerCount; ++k) {
                    const Vector3 d = offset(k);
                    const Vector3 n =
                        rotated ? Unrotate(mesh.faceNormals[k / 3], slot.rotation) : mesh.faceNormals[k / 3];
                    const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
                    float m = ax;
                    if (ay > m) m = ay;
                    if (az > m) m = az;
                    if (m == ax) planarX(d, uv[k]);
                    if (m == ay) planarY(d, uv[k]);
                    if (m == az) planarZ(d, uv[k]);
                }
                break;
            case kCylindrical:
                for (int k = 0; k < cornerCount; ++k) {
                    const Vector3 d0 = offset(k);
                    Vector3 d = d0;
                    if (f & kAxisX) {
                        d.x = 0.0f;
                        const float l = VecLength(d.x, d.y, d.z);
                        uv[k].u = around(d.y / l, d.z / l);
                        uv[k].v = 1.0f - (d0.x / z.x - 0.5f);
                    }
                    if (f & kAxisY) {
                        d.y = 0.0f;
                        const float l = VecLength(d.x, d.y, d.z);
                        uv[k].u = around(d.z / l, d.x / l);
                        uv[k].v = 1.0f - (d0.y / z.y - 0.5f);
                    }
                    if (f & kAxisZ) {
                        d.z = 0.0f;
                        const float l = VecLength(d.x, d.y, d.z);
                        uv[k].u = around(d.x / l, d.y / l);
                        uv[k].v = 1.0f - (d0.z / z.z - 0.5f);
                    }
                }
                repairSeams();
                break;
            case kSpherical:
                // Longitude as the cylindrical map takes it; latitude from the
                // pole on the axis (v 0) to the opposite pole (v 1), times the
                // height wraps. A corner at the centre keeps 0, 0.
                for (int k = 0; k < cornerCount; ++k) {
                    const Vector3 d0 = offset(k);
                    const float r = VecLength(d0.x, d0.y, d0.z);
                    if (r == 0.0f) continue;
                    Vector3 d = d0;
                    float along = 0.0f;
                    if (f & kAxisX) {
                        d.x = 0.0f;
                        along = d0.x;
                    } else if (f & kAxisY) {
                        d.y = 0.0f;
                        along = d0.y;
                    } else {
                        d.z = 0.0f;
                        along = d0.z;
                    }
                    const float l = VecLength(d.x, d.y, d.z);
                    if (l > 0.0f) {
                        if (f & kAxisX)
                            uv[k].u = around(d.y / l, d.z / l);
                        else if (f & kAxisY)
                            uv[k].u = around(d.z / l, d.x / l);
                        else
                            uv[k].u = around(d.x / l, d.y / l);
                    }
                    const float s = std::fmax(-1.0f, std::fmin(1.0f, along / r));
                    uv[k].v = (0.5f - std::asin(s) / (kTwoPi / 2.0f)) * slot.wrapHeight;
                }
                repairSeams();
                break;
            default:
                break;  // UV maps are filled from the reader's vertex maps
        }
    }
}

namespace {

// True when the engine gave the mesh room for count vertices.
bool HasRoom(const CMesh& m, int count) {
    if (count == 0) return true;
    return m.capacity >= count && m.indexCount >= count && m.positions && m.indices && m.normals && m.sourcePoints &&
           m.faceNormals && m.edgePlanes && m.edgeDirections;
}

void CopyMaterial(const LwoSurface& s, CMesh& m) {
    m.blendMode = BlendModeOf(s.flags);
    m.colour[0] = s.colour[0];
    m.colour[1] = s.colour[1];
    m.colour[2] = s.colour[2];
    m.colourAlpha = 0.0f;
    m.smoothingAngle = s.smoothingAngle;
    m.textureCount = s.textureCount;
    m.layerAlpha = 1.0f - s.reflection;
    for (int j = 0; j < s.textureCount && j < kTextureSlots; ++j)
        std::memcpy(m.textureNames[j], s.slots[j].imageName, sizeof m.textureNames[j]);
    if (s.flags & kFlagDoubleSided) m.doubleSided = 1;
    m.transparency = s.transparency;
    m.luminosity = s.luminosity;
    m.diffuse = s.diffuse;
    for (int j = 0; j < kTextureSlots; ++j) {
        m.textureKinds[j] = -1;
        m.textureVelocity[j][0] = 0.0f;
        m.textureVelocity[j][1] = 0.0f;
        if (s.slots[j].imageName[0] != 0) {
            m.textureKinds[j] = s.slots[j].kind;
            m.textureVelocity[j][0] = s.slots[j].velocity.x;
            m.textureVelocity[j][1] = s.slots[j].velocity.y;
        }
    }
    std::memcpy(m.name, s.name, sizeof m.name);
}

// Texture coordinates of the slots that take a UV map: each corner the value
// of its (point, polygon), else of its point; v counts up the image, the
// engine's v down. Corners without a value keep 0, 0.
void FillVertexMapCoordinates(const CLwoRead& reader, const LwoSurface& s, CMesh& m, const uint32_t* triangles,
                              int triangleCount) {
    const std::vector<uint32_t>& polygonOf = reader.TrianglePolygons();
    const int count = triangleCount * 3;
    for (int j = 0; j < kTextureSlots; ++j) {
        const LwoTexture& slot = s.slots[j];
        TexCoord* uv = m.texCoords[j];
        if (slot.projection != kUvMap || slot.uvMap < 0 || slot.imageName[0] == 0 || uv == nullptr ||
            m.texCoordCapacity[j] < count)
            continue;
        for (int t = 0; t < triangleCount; ++t) {
            const uint32_t polygon = triangles[t] < polygonOf.size() ? polygonOf[triangles[t]] : UINT32_MAX;
            for (int c = 0; c < 3; ++c) {
                const int k = 3 * t + c;
                float value[4] = {};
                if (reader.CornerValue(slot.uvMap, m.sourcePoints[k], polygon, value))
                    uv[k] = TexCoord{value[0], 1.0f - value[1]};
            }
        }
    }
}

void ZeroScratch(CMesh& m, int count, bool colours) {
    const size_t n = static_cast<size_t>(count);
    if (m.workA) std::memset(m.workA, 0, n * 16);
    if (m.workB) std::memset(m.workB, 0, n * 16);
    if (colours) {
        if (m.coloursA) std::memset(m.coloursA, 0, n * sizeof(uint32_t));
        if (m.coloursB) std::memset(m.coloursB, 0, n * sizeof(uint32_t));
    }
}

void BuildMesh(CLwoRead& reader, const LwoSurface& s, CMesh& m, const uint32_t* triangles, int triangleCount, int flags,
               GroupingScratch& scratch) {
    ObjectFrame& box = reader;
    const int count = triangleCount * 3;
    CopyMaterial(s, m);
    m.vertexCount = 0;
    if (!HasRoom(m, count)) {
        // The engine could not allocate this mesh: leave it empty.
        BoundingSphere(box, nullptr, 0, m.centre, m.radius);
        return;
    }
    ZeroScratch(m, count, false);

    const std::vector<Vector3>& points = reader.Points();
    const std::vector<LwoTriangle>& all = reader.Triangles();
    const std::vector<Vector3>& faces = reader.FaceNormals();
    for (int t = 0; t < triangleCount; ++t) {
        const LwoTriangle& tri = all[triangles[t]];
        const Vector3& n = faces[triangles[t]];
        const int k = m.vertexCount;
        const Vector3 a = points[tri.a], b = points[tri.b], c = points[tri.c];
        m.positions[k] = a;
        m.positions[k + 1] = b;
        m.positions[k + 2] = c;
        m.normals[k] = m.normals[k + 1] = m.normals[k + 2] = n;
        m.indices[k] = static_cast<uint32_t>(k);
        m.indices[k + 1] = static_cast<uint32_t>(k + 1);
        m.indices[k + 2] = static_cast<uint32_t>(k + 2);
        m.sourcePoints[k] = tri.a;
        m.sourcePoints[k + 1] = tri.b;
        m.sourcePoints[k + 2] = tri.c;
        m.vertexCount += 3;

        Vector3 edges[3] = {Minus(b, a), Minus(c, b), Minus(a, c)};
        m.faceNormals[t] = n;
        for (int j = 0; j < 3; ++j) {
            VecNormalize(edges[j]);
            m.edgeDirections[3 * t + j] = edges[j];
            VecCross(edges[j], n, m.edgePlanes[3 * t + j]);
        }
    }

    if (s.smoothingAngle > 0.0f && (s.flags & kFlagSmoothing)) {
        const float limit = static_cast<float>(std::cos(s.smoothingAngle));
        SmoothNormals(m.positions, m.normals, count, limit, reader.smoothingList, scratch);
    }

    ProjectTextureCoordinates(s, m, count);
    if (reader.IsLwo2()) FillVertexMapCoordinates(reader, s, m, triangles, triangleCount);
    BoundingSphere(box, m.positions, m.vertexCount, m.centre, m.radius);

    if (flags & kSkipWelding) return;
    TexCoord* sets[kTextureSlots] = {};
    const int setCount = s.textureCount < kTextureSlots ? s.textureCount : kTextureSlots;
    for (int j = 0; j < setCount; ++j)
        if (m.texCoords[j] && m.texCoordCapacity[j] >= count) sets[j] = m.texCoords[j];
    const int kept = WeldVertices(m.positions, m.normals, sets, setCount, m.indices, count, scratch);
    ZeroScratch(m, count, true);
    m.vertexCount = kept;
    m.vertexCountCopy = kept;
}

}  // namespace

void ExportMeshes(CLwoRead& reader, CModel& model, int flags) {
    const int surfaces = reader.SurfaceCount();
    if (surfaces > 0 && model.meshes == nullptr) {
        model.meshCount = 0;
        return;
    }
    model.meshCount = surfaces;

    // Triangles of each surface in file order (counting sort by surface).
    const std::vector<LwoTriangle>& triangles = reader.Triangles();
    std::vector<uint32_t> start(static_cast<size_t>(surfaces) + 1, 0);
    for (const LwoTriangle& t : triangles)
        if (t.surface >= 0 && t.surface < surfaces) ++start[t.surface + 1];
    for (int i = 0; i < surfaces; ++i) start[i + 1] += start[i];
    std::vector<uint32_t> order(start[surfaces]);
    {
        std::vector<uint32_t> cursor(start.begin(), start.end() - 1);
        for (size_t t = 0; t < triangles.size(); ++t) {
            const int32_t s = triangles[t].surface;
            if (s >= 0 && s < surfaces) order[cursor[s]++] = static_cast<uint32_t>(t);
        }
    }

    GroupingScratch scratch;
    for (int i = 0; i < surfaces; ++i)
        BuildMesh(reader, reader.Surfaces()[i], model.meshes[i], order.data() + start[i],
                  static_cast<int>(start[i + 1] - start[i]), flags, scratch);
    EncloseMeshes(reader, model, surfaces);
}

}  // namespace lwo
