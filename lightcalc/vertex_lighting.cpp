// Per-vertex lighting of mesh records.
//
// Light model: a vertex colour is the surface colour times the sum of the
// ambient colour, the surface luminosity and the diffuse terms of the lights,
// each channel clamped to 0..1; the alpha byte is the surface transparency x 255
// (set when the stored illumination is reset, kept by the lighting passes).
// Colours are packed 0xAARRGGBB.
//
// Diffuse term of one light at a vertex with unit normal n (l: unit vector from
// the vertex towards the light, d: distance to the light):
//   omni     (1 - d / range) x max(0, n.l), nothing at or beyond the range
//   spot     the omni term times a cone factor around the placement's z axis:
//            1 within 20 degrees of the axis, falling linearly in the cosine to
//            0 at 30 degrees (cone half-angle 30 degrees, soft edge 10 degrees),
//            or the cone and edge _SetLightCone gave the light
//   distant  max(0, -n.z) where z is the placement's unit z axis, the direction
//            the light shines in; no range, no falloff
// A vertex closer than 1e-6 to an omni or spot light has no direction to it and
// gets the full falloff term. A NaN term counts as 0. Each term is scaled by
// the light's colour.

#include <cstdint>

#include "lightcalc/light_table.h"
#include "tessaly/lighting_interface.h"

namespace lightcalc {
namespace {

constexpr float kNearZero = 1e-6f;

// 0..1; NaN becomes 0.
float Clamp01(float v) {
    if (!(v > 0.0f)) return 0.0f;
    return v > 1.0f ? 1.0f : v;
}

// Non-negative; NaN becomes 0.
float Positive(float v) { return v > 0.0f ? v : 0.0f; }

uint32_t ToByte(float v) { return static_cast<uint32_t>(Clamp01(v) * 255.0f + 0.5f); }

uint32_t Pack(float r, float g, float b, uint32_t alpha) {
    return (alpha << 24) | (ToByte(r) << 16) | (ToByte(g) << 8) | ToByte(b);
}

float Channel(uint32_t colour, int shift) { return static_cast<float>((colour >> shift) & 0xFFu) / 255.0f; }

// Diffuse strength (before the light's colour) of one light at world point p
// with unit normal n.
float Strength(const LightEntry& e, const Vector3& p, const Vector3& n) {
    if (e.kind == LightKind::Distant) return Positive(-(n.x * e.axis.x + n.y * e.axis.y + n.z * e.axis.z));

    const float range = e.light.range;
    if (!(range > 0.0f)) return 0.0f;
    const Vector3 toLight{e.position.x - p.x, e.position.y - p.y, e.position.z - p.z};
    const float d = VecLength(toLight.x, toLight.y, toLight.z);
    if (!(d < range)) return 0.0f;
    const float falloff = 1.0f - d / range;
    if (d < kNearZero) return Positive(falloff);

    const float inv = 1.0f / d;
    const Vector3 l{toLight.x * inv, toLight.y * inv, toLight.z * inv};
    float s = falloff * Positive(n.x * l.x + n.y * l.y + n.z * l.z);
    if (e.kind == LightKind::Spot) {
        // Cosine of the angle between the axis and the way from light to vertex (-l).
        const float c = -(l.x * e.axis.x + l.y * e.axis.y + l.z * e.axis.z);
        const float soft = e.spotInnerCos - e.spotOuterCos;
        s *= soft > 1e-6f ? Clamp01((c - e.spotOuterCos) / soft) : (c >= e.spotOuterCos ? 1.0f : 0.0f);
    }
    return Positive(s);
}

// Vertices the colour arrays can be written for.
int VerticesInUse(const CMesh& mesh) {
    int n = mesh.vertexCount;
    if (n > mesh.capacity) n = mesh.capacity;
    return n > 0 ? n : 0;
}

// True when at least one switched-on light of the wanted group exists.
bool AnyLight(const LightTable& table, int count, bool prelit) {
    for (int i = 0; i < count; ++i) {
        const LightEntry& e = table.entries[i];
        if (e.inUse && e.switchedOn && e.prelit == prelit) return true;
    }
    return false;
}

}  // namespace
}  // namespace lightcalc

int _LightMesh(CMesh* mesh, const Matrix44* model, uint32_t* coloursA, uint32_t* coloursB, int mode) {
    using namespace lightcalc;
    if (!mesh || !coloursA || (mode != 0 && mode != 1)) return -1;
    // mode 0 reads the stored colours from the second array and writes the
    // first; mode 1 adds into the first array in place.
    const uint32_t* stored = mode == 0 ? coloursB : coloursA;
    uint32_t* out = coloursA;
    if (!stored) return -1;
    const bool prelit = mode == 1;
    const int n = VerticesInUse(*mesh);
    const LightTable& table = Table();
    const int lights = _GetLightsNum();

    if (n == 0) return 0;
    if (!AnyLight(table, lights, prelit)) {
        if (out != stored) {
            for (int i = 0; i < n; ++i) out[i] = stored[i];
        }
        return 0;
    }
    if (!mesh->positions || !mesh->normals) return -1;

    const Matrix44 m = model ? *model : MatIdentity();
    const float sr = mesh->colour[0], sg = mesh->colour[1], sb = mesh->colour[2];
    for (int i = 0; i < n; ++i) {
        Vector3 p = mesh->positions[i];
        VecTransform(p, m);
        Vector3 normal = mesh->normals[i];
        VecRotate(normal, m);
        VecNormalize(normal);

        float r = 0.0f, g = 0.0f, b = 0.0f;
        for (int k = 0; k < lights; ++k) {
            const LightEntry& e = table.entries[k];
            if (!e.inUse || !e.switchedOn || e.prelit != prelit) continue;
            const float s = Strength(e, p, normal);
            r += Positive(s * e.light.red);
            g += Positive(s * e.light.green);
            b += Positive(s * e.light.blue);
        }
        const uint32_t c = stored[i];
        out[i] = Pack(Channel(c, 16) + sr * r, Channel(c, 8) + sg * g, Channel(c, 0) + sb * b, c >> 24);
    }
    return 0;
}

int _ResetSBMIllum(CMesh* mesh, float luminosity) {
    using namespace lightcalc;
    if (!mesh) return -1;
    const Vector3& ambient = Table().ambient;
    const uint32_t alpha = ToByte(mesh->transparency);
    const uint32_t unlit = Pack(mesh->colour[0] * (ambient.x + luminosity), mesh->colour[1] * (ambient.y + luminosity),
                                mesh->colour[2] * (ambient.z + luminosity), alpha);
    const int n = VerticesInUse(*mesh);
    for (int i = 0; i < n; ++i) {
        if (mesh->coloursA) mesh->coloursA[i] = unlit;
        if (mesh->coloursB) mesh->coloursB[i] = unlit;
    }
    return 0;
}
