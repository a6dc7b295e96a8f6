// SURF chunks: surface attributes and texture blocks.
//
// The sub-chunk lengths are not used: every known sub-chunk has a fixed reach
// and everything else is passed over one byte at a time. Values are only read
// when they lie inside the chunk; the scan positions never depend on that.
#include <cstring>

#include "big_endian.h"
#include "lwo_reader.h"

namespace lwo {
namespace {

bool Is(const uint8_t* at, const char* id) { return std::memcmp(at, id, 4) == 0; }

// Copies the zero-terminated text at p (cut to fit out) and returns the
// position of its terminating zero, or the end of the data.
int64_t CopyText(const uint8_t* data, int64_t end, int64_t p, char (&out)[kNameLength]) {
    std::memset(out, 0, sizeof out);
    int n = 0;
    while (p < end && data[p] != 0) {
        if (n < kNameLength - 1) out[n++] = static_cast<char>(data[p]);
        ++p;
    }
    return p;
}

int64_t SkipText(const uint8_t* data, int64_t end, int64_t p) {
    while (p < end && data[p] != 0) ++p;
    return p;
}

int64_t SkipZeros(const uint8_t* data, int64_t end, int64_t p) {
    while (p < end && data[p] == 0) ++p;
    return p;
}

Vector3 ReadVector(const uint8_t* p) { return Vector3{ReadF32(p), ReadF32(p + 4), ReadF32(p + 8)}; }

int32_t TextureKindAt(const uint8_t* at) {
    if (Is(at, "CTEX")) return kColourTexture;
    if (Is(at, "DTEX")) return kDiffuseTexture;
    if (Is(at, "STEX")) return kSpecularTexture;
    if (Is(at, "RTEX")) return kReflectionTexture;
    if (Is(at, "TTEX")) return kTransparencyTexture;
    if (Is(at, "BTEX")) return kBumpTexture;
    return 0;
}

// The three type texts that make coordinates; any other text makes none.
int32_t ProjectionOfTypeText(const char* text) {
    if (std::strcmp(text, "Planar Image Map") == 0) return kPlanar;
    if (std::strcmp(text, "Cubic Image Map") == 0) return kCubic;
    if (std::strcmp(text, "Cylindrical Image Map") == 0) return kCylindrical;
    return kNoProjection;
}

// Reads one texture block whose type text starts at p; returns the position
// where the block ends (the next texture identifier or the chunk's tail).
int64_t ReadTextureBlock(const uint8_t* data, int64_t end, int64_t p, LwoTexture& slot) {
    std::memset(slot.imageName, 0, sizeof slot.imageName);
    p = CopyText(data, end, p, slot.typeText);
    slot.projection = ProjectionOfTypeText(slot.typeText);
    p = SkipZeros(data, end, p);
    while (end - p > 8 && TextureKindAt(data + p) == 0) {
        const uint8_t* at = data + p;
        if (Is(at, "TFP0")) {
            if (p + 10 <= end) slot.wrapCount = ReadF32(at + 6);
            p += 10;
        } else if (Is(at, "TFRQ")) {
            p += 8;
        } else if (Is(at, "TAMP")) {
            p += 10;
        } else if (Is(at, "TVAL")) {
            p += 8;
        } else if (Is(at, "TCLR")) {
            p += 10;
        } else if (Is(at, "TSIZ")) {
            if (p + 18 <= end) slot.size = ReadVector(at + 6);
            p += 18;
        } else if (Is(at, "TCTR")) {
            if (p + 18 <= end) slot.centre = ReadVector(at + 6);
            p += 18;
        } else if (Is(at, "TFAL")) {
            p += 18;
        } else if (Is(at, "TVEL")) {
            if (p + 18 <= end) slot.velocity = ReadVector(at + 6);
            p += 18;
        } else if (Is(at, "TFLG")) {
            slot.flags = ReadU16(at + 6);
            p += 8;
        } else if (Is(at, "TIMG")) {
            // Keep the file name only: the part after the last '\' or '/'.
            p += 6;
            int64_t nameStart = p;
            const int64_t textEnd = SkipText(data, end, p);
            for (int64_t i = p; i < textEnd; ++i)
                if (data[i] == '\\' || data[i] == '/') nameStart = i + 1;
            CopyText(data, textEnd, nameStart, slot.imageName);
            p = SkipZeros(data, end, textEnd);
        } else {
            ++p;
        }
    }
    return p;
}

}  // namespace

void CLwoRead::ReadSurface(const uint8_t* body, int64_t end) {
    // The chunk belongs to the first SRFS name equal to its own; a chunk that
    // names no listed surface (or comes before SRFS) has nowhere to go.
    char name[kNameLength];
    int64_t p = CopyText(body, end, 0, name);
    LwoSurface* surface = nullptr;
    for (size_t i = 0; i < surfaceNames_.size(); ++i)
        if (std::strcmp(surfaceNames_[i].text, name) == 0) {
            surface = &surfaces_[i];
            break;
        }
    if (surface == nullptr) return;
    LwoSurface& s = *surface;
    std::memcpy(s.name, name, sizeof s.name);
    p = SkipZeros(body, end, p);

    int32_t slot = 0;
    while (end - p >= 8) {
        const uint8_t* at = body + p;
        const uint8_t* value = at + 6;
        if (Is(at, "RSAN") || Is(at, "RIND") || Is(at, "EDGE")) {
            p += 10;
        } else if (Is(at, "RIMG")) {
            p = SkipZeros(body, end, SkipText(body, end, p + 6));
        } else if (Is(at, "GLOS")) {
            p += 8;
        } else if (Is(at, "LUMI")) {
            s.luminosity = ReadU16(value) / 256.0f;
            p += 8;
        } else if (Is(at, "DIFF")) {
            s.diffuse = 1.0f;
            p += 8;
        } else if (Is(at, "SPEC")) {
            p += 8;
        } else if (Is(at, "REFL")) {
            s.reflection = ReadU16(value) / 256.0f;
            p += 8;
        } else if (Is(at, "TRAN")) {
            s.transparency = ReadU16(value) / 256.0f;
            p += 8;
        } else if (Is(at, "FLAG")) {
            s.flags = ReadU16(value);
            p += 6;
        } else if (Is(at, "SMAN")) {
            if (p + 10 <= end) s.smoothingAngle = ReadF32(value);
            p += 6;
        } else if (Is(at, "COLR")) {
            if (p + 9 <= end) {
                s.colour[0] = value[0] / 255.0f;
                s.colour[1] = value[1] / 255.0f;
                s.colour[2] = value[2] / 255.0f;
            }
            p += 9;
        } else if (const int32_t kind = TextureKindAt(at); kind != 0) {
            if (slot < kTextureSlots) {
                s.slots[slot].kind = kind;
                p = ReadTextureBlock(body, end, p + 6, s.slots[slot]);
                ++slot;
            } else {
                p += 6;  // the ninth and later blocks are passed over
            }
        } else {
            ++p;
        }
    }
    s.textureCount = slot;
}

}  // namespace lwo
