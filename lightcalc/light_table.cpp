// Light table operations of the lighting library: allocation, adding and
// removing lights, the ambient colour and the light descriptions handed to the
// engine's flare drawing.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "common/message_buffer.h"
#include "lightcalc/light_table.h"
#include "tessaly/lighting_interface.h"

namespace lightcalc {
namespace {

LightTable g_table;
MessageBuffer<1024> g_message;  // the library's one diagnostic buffer

}  // namespace

LightTable& Table() { return g_table; }

}  // namespace lightcalc

using lightcalc::LightEntry;
using lightcalc::LightKind;
using lightcalc::Table;

int _AllocMaxLights(int lights, int vertexColours, r_MsgCallback cb) {
    auto& table = Table();
    if (table.entries) {
        lightcalc::g_message.Send(
            cb, "_AllocMaxLights : %d Lights Already Allocated , use _FreeAllocatedLights first\n", table.capacity);
        return -1;
    }
    if (lights <= 0 || vertexColours < 0) {
        lightcalc::g_message.Send(cb, "_AllocMaxLights : Failed to Allocate %d Lights\n", lights);
        return -1;
    }
    table.entries = new (std::nothrow) LightEntry[lights]();
    if (!table.entries) {
        lightcalc::g_message.Send(cb, "_AllocMaxLights : Failed to Allocate %d Lights\n", lights);
        return -1;
    }
    table.capacity = lights;
    table.vertexColours = vertexColours;
    lightcalc::g_message.Send(cb, "_AllocMaxLights : Allocated %d Lights\n", lights);
    return 0;
}

int _FreeAllocatedLights(r_MsgCallback cb) {
    auto& table = Table();
    delete[] table.entries;
    table.entries = nullptr;
    table.capacity = 0;
    table.vertexColours = 0;
    lightcalc::g_message.Send(cb, "_FreeAllocatedLights : Lights Deallocated\n");
    return 0;
}

int _AddLight(const Matrix44* placement, const float* rgb, float range, int type, uint8_t flag, int extra) {
    auto& table = Table();
    if (!table.entries || !placement || !rgb) return -1;
    LightKind kind;
    switch (type & 7) {
        case LIGHT_OMNI:
            kind = LightKind::Omni;
            break;
        case LIGHT_DISTANT:
            kind = LightKind::Distant;
            break;
        case LIGHT_SPOT:
            kind = LightKind::Spot;
            break;
        default:
            return -1;  // no single kind: not a light this library knows
    }
    int slot = -1;
    for (int i = 0; i < table.capacity; ++i) {
        if (!table.entries[i].inUse) {
            slot = i;
            break;
        }
    }
    if (slot < 0) return -1;

    LightEntry& e = table.entries[slot];
    e = LightEntry{};
    e.inUse = true;
    e.switchedOn = true;
    e.prelit = (type & LIGHT_PRELIT) != 0;
    e.kind = kind;
    e.flag = flag;
    e.extra = extra;
    e.light.type = type;
    e.light.red = rgb[0];
    e.light.green = rgb[1];
    e.light.blue = rgb[2];
    e.light.placement = *placement;
    e.light.range = range;
    e.position = {placement->m[12], placement->m[13], placement->m[14]};
    e.axis = {placement->m[8], placement->m[9], placement->m[10]};
    VecNormalize(e.axis);
    e.spotOuterCos = lightcalc::kDefaultSpotOuterCos;
    e.spotInnerCos = lightcalc::kDefaultSpotInnerCos;
    return slot;
}

int _SetLightCone(int light, float coneAngle, float edgeAngle) {
    auto& table = Table();
    if (!table.entries || light < 0 || light >= table.capacity || !table.entries[light].inUse) return -1;
    if (!std::isfinite(coneAngle) || !std::isfinite(edgeAngle)) return -1;
    // Up to a right angle each side of the axis; the soft edge lies inside the cone.
    const float cone = std::clamp(coneAngle, 0.0f, 1.5707964f);
    const float inner = std::clamp(cone - std::max(edgeAngle, 0.0f), 0.0f, cone);
    LightEntry& e = table.entries[light];
    e.spotOuterCos = std::cos(cone);
    e.spotInnerCos = std::cos(inner);
    return 0;
}

int _KillLight(int light) {
    auto& table = Table();
    if (!table.entries || light < 0 || light >= table.capacity || !table.entries[light].inUse) return -1;
    table.entries[light] = LightEntry{};
    return 0;
}

int _KillAllLights(void) {
    auto& table = Table();
    for (int i = 0; i < table.capacity; ++i) table.entries[i] = LightEntry{};
    return 0;
}

int _SetAmbient(float red, float green, float blue) {
    Table().ambient = {red, green, blue};
    return 0;
}

int _GetLightsNum(void) {
    const auto& table = Table();
    for (int i = table.capacity - 1; i >= 0; --i) {
        if (table.entries[i].inUse) return i + 1;
    }
    return 0;
}

LightDescription* _GetLight(LightDescription* buffer, int index) {
    if (!buffer || index < 0 || index >= _GetLightsNum()) return nullptr;
    const LightEntry& e = Table().entries[index];
    std::memset(buffer, 0, sizeof *buffer);
    if (e.inUse) {
        buffer->switchedOn = e.switchedOn ? 1 : 0;
        buffer->light = e.light;
    }
    return buffer;
}
