#include "lwo2_surface.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "big_endian.h"

namespace lwo {
namespace {

struct ImageLayer {
    char ordinal[kNameLength] = {};  // layers apply in the byte order of these texts
    LwoTexture slot{};
    bool enabled = true;
    bool usable = true;      // false for a channel or projection the engine cannot show
    bool partial = false;    // opacity between 0 and 1
    bool otherWrap = false;  // an edge mode other than repeat
};

// An envelope index other than 0 animates the value: only the value is shown.
void ReadEnvelope(ByteCursor& in, uint32_t& skipped) {
    if (in.Left() > 0 && in.VX() != 0) skipped |= kSkipEnvelope;
}

void ReadChannel(uint32_t channel, ImageLayer& layer, uint32_t& skipped) {
    switch (channel) {
        case Id("COLR"):
            layer.slot.kind = kColourTexture;
            break;
        case Id("DIFF"):
            layer.slot.kind = kDiffuseTexture;
            break;
        case Id("SPEC"):
            layer.slot.kind = kSpecularTexture;
            break;
        case Id("REFL"):
            layer.slot.kind = kReflectionTexture;
            break;
        case Id("TRAN"):
            layer.slot.kind = kTransparencyTexture;
            break;
        case Id("BUMP"):
            layer.usable = false;
            skipped |= kSkipBump;
            break;
        default:
            layer.usable = false;
            skipped |= kSkipOtherChannel;
            break;
    }
}

void ReadAxis(ByteCursor& in, LwoTexture& slot) {
    const uint16_t axis = in.U2();
    slot.flags = axis == 1 ? kAxisY : axis == 2 ? kAxisZ : kAxisX;
}

void ReadTextureMap(const uint8_t* data, const Chunk& tmap, LwoTexture& slot, uint32_t& skipped, bool& damaged) {
    ChunkWalker walk(data, tmap);
    Chunk sub;
    while (walk.Next(sub)) {
        ByteCursor in(sub);
        switch (ReadU32(sub.id)) {
            case Id("CNTR"):
                slot.centre = in.Vec();
                ReadEnvelope(in, skipped);
                break;
            case Id("SIZE"):
                slot.size = in.Vec();
                ReadEnvelope(in, skipped);
                break;
            case Id("ROTA"):
                slot.rotation = in.Vec();
                ReadEnvelope(in, skipped);
                break;
            default:
                break;  // reference object, falloff, coordinate system
        }
        damaged |= in.Short();
    }
    damaged |= walk.Damaged();
}

// One BLOK: its header names the layer kind; only image maps become slots.
void ReadBlock(const uint8_t* data, const Chunk& block, std::vector<ImageLayer>& layers, uint32_t& skipped,
               bool& damaged) {
    ChunkWalker walk(data, block);
    Chunk header;
    if (!walk.Next(header)) {
        damaged |= walk.Damaged();
        return;
    }
    switch (ReadU32(header.id)) {
        case Id("IMAP"):
            break;
        case Id("PROC"):
            skipped |= kSkipProcedural;
            return;
        case Id("GRAD"):
            skipped |= kSkipGradient;
            return;
        case Id("SHDR"):
            skipped |= kSkipShader;
            return;
        default:
            return;
    }

    ImageLayer layer;
    LwoTexture& slot = layer.slot;
    slot.kind = kColourTexture;
    slot.projection = kPlanar;
    slot.flags = kAxisX;
    slot.size = Vector3{1.0f, 1.0f, 1.0f};
    slot.wrapCount = 1.0f;
    slot.wrapHeight = 1.0f;
    slot.uvMap = -1;

    ByteCursor ordinal(header);
    ordinal.Text(layer.ordinal);
    ChunkWalker headerWalk(data, header, ordinal.Position());
    Chunk sub;
    while (headerWalk.Next(sub)) {
        ByteCursor in(sub);
        switch (ReadU32(sub.id)) {
            case Id("CHAN"):
                ReadChannel(in.U4(), layer, skipped);
                break;
            case Id("ENAB"):
                layer.enabled = in.U2() != 0;
                break;
            case Id("OPAC"): {
                // A layer of opacity 0 changes nothing; one between 0 and 1 is
                // drawn as if opaque.
                in.U2();  // how the layer blends: only normal blending is drawn
                const float opacity = in.F4();
                ReadEnvelope(in, skipped);
                if (opacity <= 0.0f)
                    layer.enabled = false;
                else if (opacity < 1.0f)
                    layer.partial = true;
                break;
            }
            case Id("AXIS"):
                ReadAxis(in, slot);
                break;
            default:
                break;  // negative
        }
        damaged |= in.Short();
    }
    damaged |= headerWalk.Damaged() || ordinal.Short();

    while (walk.Next(sub)) {
        ByteCursor in(sub);
        switch (ReadU32(sub.id)) {
            case Id("TMAP"):
                ReadTextureMap(data, sub, slot, skipped, damaged);
                break;
            case Id("PROJ"): {
                const uint16_t projection = in.U2();
                static constexpr int32_t kinds[] = {kPlanar, kCylindrical, kSpherical, kCubic, kNoProjection, kUvMap};
                slot.projection = projection < 6 ? kinds[projection] : kNoProjection;
                if (slot.projection == kNoProjection) {
                    layer.usable = false;
                    skipped |= kSkipFrontProjection;
                }
                break;
            }
            case Id("AXIS"):
                ReadAxis(in, slot);
                break;
            case Id("IMAG"):
                slot.clip = in.VX();
                break;
            case Id("WRAP"):
                // 1 repeats the image; reset, mirror and edge are not drawn.
                if (in.U2() != 1 || in.U2() != 1) layer.otherWrap = true;
                break;
            case Id("WRPW"):
                slot.wrapCount = in.F4();
                ReadEnvelope(in, skipped);
                break;
            case Id("WRPH"):
                slot.wrapHeight = in.F4();
                ReadEnvelope(in, skipped);
                break;
            case Id("VMAP"):
                in.Text(slot.uvMapName);
                break;
            default:
                break;  // antialiasing, pixel blending, sticky projection, amplitude
        }
        damaged |= in.Short();
    }
    damaged |= walk.Damaged();

    static const char* const kTypeTexts[] = {
        "", "Planar Image Map", "Cylindrical Image Map", "Spherical Image Map", "Cubic Image Map", "UV Image Map"};
    std::snprintf(slot.typeText, sizeof slot.typeText, "%s", kTypeTexts[slot.projection]);
    if (layer.enabled && layer.usable && slot.clip != 0) {
        if (layer.partial) skipped |= kSkipPartialOpacity;
        if (layer.otherWrap) skipped |= kSkipWrapMode;
        layers.push_back(layer);
    }
}

}  // namespace

void ReadLwo2Surface(const uint8_t* data, const Chunk& chunk, int64_t skip, LwoSurface& s, uint32_t& skipped,
                     bool& damaged) {
    std::vector<ImageLayer> layers;
    uint32_t reflectionClip = 0;
    ChunkWalker walk(data, chunk, skip);
    Chunk sub;
    while (walk.Next(sub)) {
        ByteCursor in(sub);
        switch (ReadU32(sub.id)) {
            case Id("COLR"): {
                const Vector3 c = in.Vec();
                s.colour[0] = c.x;
                s.colour[1] = c.y;
                s.colour[2] = c.z;
                ReadEnvelope(in, skipped);
                break;
            }
            case Id("DIFF"):
                s.diffuse = in.F4();
                ReadEnvelope(in, skipped);
                break;
            case Id("LUMI"):
                s.luminosity = in.F4();
                ReadEnvelope(in, skipped);
                break;
            case Id("REFL"):
                s.reflection = in.F4();
                ReadEnvelope(in, skipped);
                break;
            case Id("TRAN"):
                s.transparency = in.F4();
                ReadEnvelope(in, skipped);
                break;
            case Id("SPEC"):
            case Id("GLOS"):
            case Id("TRNL"):
                in.F4();
                ReadEnvelope(in, skipped);
                break;
            case Id("SIDE"):
                if (in.U2() == 3)
                    s.flags |= kFlagDoubleSided;
                else
                    s.flags &= static_cast<uint16_t>(~kFlagDoubleSided);
                break;
            case Id("SMAN"):
                s.smoothingAngle = in.F4();
                if (s.smoothingAngle > 0.0f)
                    s.flags |= kFlagSmoothing;
                else
                    s.flags &= static_cast<uint16_t>(~kFlagSmoothing);
                break;
            case Id("VCOL"):
                s.colourMapIntensity = in.F4();
                ReadEnvelope(in, skipped);
                in.U4();  // RGB or RGBA: the map is found by its name
                in.Text(s.colourMapName);
                break;
            case Id("RIMG"):
                reflectionClip = in.VX();
                break;
            case Id("TIMG"):
                if (in.VX() != 0) skipped |= kSkipRefraction;
                break;
            case Id("BLOK"):
                ReadBlock(data, sub, layers, skipped, damaged);
                break;
            default:
                break;  // node data, version, and the rest
        }
        damaged |= in.Short();
    }
    damaged |= walk.Damaged();

    std::stable_sort(layers.begin(), layers.end(),
                     [](const ImageLayer& a, const ImageLayer& b) { return std::strcmp(a.ordinal, b.ordinal) < 0; });
    int slot = 0;
    for (const ImageLayer& layer : layers) {
        if (slot == kTextureSlots) {
            skipped |= kSkipExtraLayers;
            break;
        }
        s.slots[slot++] = layer.slot;
    }
    if (reflectionClip != 0) {
        if (slot < kTextureSlots) {
            LwoTexture& reflection = s.slots[slot++];
            reflection.kind = kReflectionTexture;
            reflection.projection = kNoProjection;  // the engine maps reflections itself
            reflection.clip = reflectionClip;
        } else {
            skipped |= kSkipExtraLayers;
        }
    }
    s.textureCount = slot;
}

}  // namespace lwo
