// Survey of the display hardware: cards are the SDL displays (one offscreen
// card without a display), each with a fixed list of classic modes plus the
// display's own mode, one software rasterizer device, and that device's depth
// and texture formats. Also the queries over the survey and r_SeekMode.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "platform/platform.h"
#include "raster/raster_device.h"

using namespace raster;

namespace {

std::vector<CardRecord> g_cards;

// Sizes every card offers, smallest first; each at 8, 16 and 32 bits.
constexpr struct {
    uint32_t width, height;
} kClassicSizes[] = {
    {320, 200},  {320, 240},  {400, 300},  {512, 384},  {640, 400},   {640, 480},   {800, 600},
    {1024, 768}, {1152, 864}, {1280, 720}, {1280, 960}, {1280, 1024}, {1600, 1200}, {1920, 1080},
};
constexpr uint32_t kReportedDepths[] = {8, 16, 32};
// The range of frame sizes the device offers beyond the listed ones.
constexpr uint32_t kMinModeWidth = 320, kMinModeHeight = 200, kMaxModeWidth = 3840, kMaxModeHeight = 2160;
// What the set-up arithmetic counts on as free video memory.
constexpr uint64_t kNotionalVideoMemory = 64ull * 1024 * 1024;

void CopyText(char (&out)[256], const char* text) { std::snprintf(out, sizeof out, "%s", text ? text : ""); }

// The mode list as a display would report it, palette modes included; the
// survey keeps only the modes of more than 8 bits.
std::vector<ModeRecord> ReportedModes(const ModeRecord& desktop) {
    std::vector<ModeRecord> modes;
    bool desktopListed = false;
    for (const auto& size : kClassicSizes) {
        for (uint32_t bits : kReportedDepths) modes.push_back({size.width, size.height, bits});
        if (size.width == desktop.width && size.height == desktop.height) desktopListed = true;
    }
    if (!desktopListed && desktop.width > 0 && desktop.height > 0)
        for (uint32_t bits : kReportedDepths) modes.push_back({desktop.width, desktop.height, bits});
    // The software device draws any size in its range: a size the program's
    // options ask for is listed too, after the others.
    const PlatOptions* options = plat_GetOptions();
    const uint32_t w = options ? static_cast<uint32_t>(std::max(options->modeWidth, 0)) : 0;
    const uint32_t h = options ? static_cast<uint32_t>(std::max(options->modeHeight, 0)) : 0;
    if (w >= kMinModeWidth && w <= kMaxModeWidth && h >= kMinModeHeight && h <= kMaxModeHeight) {
        bool listed = false;
        for (const ModeRecord& m : modes) listed = listed || (m.width == w && m.height == h);
        if (!listed)
            for (uint32_t bits : kReportedDepths) modes.push_back({w, h, bits});
    }
    return modes;
}

DeviceRecord SoftwareDevice(int card) {
    DeviceRecord device;
    device.identifier[0] = 0x54;  // 'T'
    device.identifier[15] = static_cast<uint8_t>(card + 1);
    CopyText(device.description, "Tessaly software rasterizer");
    CopyText(device.name, "Software Rasterizer");
    device.hardwareRenderDepths = 0;
    device.depthFormats = {16, 32};
    device.textureFormats = {{32, 0xFF000000u}, {16, 0}, {16, 0x8000u}, {16, 0xF000u}};
    return device;
}

CardRecord MakeCard(int index, int display, const char* description, const char* name, const ModeRecord& desktop) {
    CardRecord card;
    if (index > 0) {                     // card 0 keeps an all-zero identifier
        card.info.identifier[0] = 0x44;  // 'D'
        card.info.identifier[15] = static_cast<uint8_t>(index);
    }
    CopyText(card.info.description, description);
    CopyText(card.info.name, name);
    card.display = display;
    card.desktop = desktop;
    for (const ModeRecord& mode : ReportedModes(desktop))
        if (mode.bits > 8) card.modes.push_back(mode);
    card.devices.push_back(SoftwareDevice(index));
    card.freeVideoMemory = kNotionalVideoMemory;
    return card;
}

void AddOffscreenCard() {
    int width = 0, height = 0;
    plat_GetScreenSize(&width, &height);
    ModeRecord desktop{static_cast<uint32_t>(width > 0 ? width : 640), static_cast<uint32_t>(height > 0 ? height : 480),
                       32};
    g_cards.push_back(MakeCard(0, -1, "Offscreen", "Offscreen", desktop));
}

bool ValidCard(int card) { return card >= 0 && card < static_cast<int>(g_cards.size()); }

}  // namespace

namespace raster {

const std::vector<CardRecord>& SurveyCards() { return g_cards; }

bool IsHardwareDevice(const DeviceRecord& device) { return std::strcmp(device.name, "Direct3D HAL") == 0; }

bool HardwareRendersAt(const DeviceRecord& device, uint32_t bits) {
    if (!IsHardwareDevice(device)) return false;
    uint32_t bit = bits == 16 ? kRenderDepth16 : bits == 24 ? kRenderDepth24 : bits == 32 ? kRenderDepth32 : 0;
    return bit != 0 && (device.hardwareRenderDepths & bit) != 0;
}

bool HardwareRenderTest(const CardRecord& card, const ModeRecord& mode) {
    for (const DeviceRecord& device : card.devices)
        if (HardwareRendersAt(device, mode.bits)) return true;
    return false;
}

}  // namespace raster

TESSALY_EXPORT int GetSysInfo(void) {
    g_cards.clear();
    if (plat_IsHeadless()) {
        AddOffscreenCard();
        return static_cast<int>(g_cards.size());
    }
    int displays = SDL_GetNumVideoDisplays();
    for (int i = 0; i < displays; ++i) {
        SDL_DisplayMode mode{};
        ModeRecord desktop{640, 480, 32};
        if (SDL_GetDesktopDisplayMode(i, &mode) == 0 && mode.w > 0 && mode.h > 0) {
            desktop.width = static_cast<uint32_t>(mode.w);
            desktop.height = static_cast<uint32_t>(mode.h);
            desktop.bits = SDL_BYTESPERPIXEL(mode.format) == 2 ? 16 : 32;
        }
        char name[32];
        std::snprintf(name, sizeof name, "display%d", i + 1);
        const char* description = SDL_GetDisplayName(i);
        g_cards.push_back(MakeCard(i, i, description ? description : name, name, desktop));
    }
    // A display server without displays still gets the offscreen card.
    if (g_cards.empty()) AddOffscreenCard();
    return static_cast<int>(g_cards.size());
}

TESSALY_EXPORT int GetDDONum(void) { return static_cast<int>(g_cards.size()); }

TESSALY_EXPORT int GetDDData(int card, RasterCardRecord* out) {
    if (!ValidCard(card) || !out) return 0;
    *out = g_cards[card].info;
    return 1;
}

TESSALY_EXPORT int r_GetCardsNum(void) { return static_cast<int>(g_cards.size()); }

TESSALY_EXPORT int r_GetVideoModesNum(int card) {
    return ValidCard(card) ? static_cast<int>(g_cards[card].modes.size()) : 0;
}

TESSALY_EXPORT int r_GetVideoModeData(int card, int mode, int* width, int* height, int* bitsPerPixel, char* reserved) {
    if (width) *width = 0;
    if (height) *height = 0;
    if (bitsPerPixel) *bitsPerPixel = 0;
    if (reserved) *reserved = 0;
    if (!ValidCard(card) || mode < 0 || mode >= static_cast<int>(g_cards[card].modes.size())) return 0;
    const ModeRecord& m = g_cards[card].modes[mode];
    if (width) *width = static_cast<int>(m.width);
    if (height) *height = static_cast<int>(m.height);
    if (bitsPerPixel) *bitsPerPixel = static_cast<int>(m.bits);
    return 0;
}

TESSALY_EXPORT const char* r_GetVideoModeDataStr(int card, int mode) {
    int width = 0, height = 0, bits = 0;
    r_GetVideoModeData(card, mode, &width, &height, &bits, nullptr);
    return FormatMessage("%dx%dx%d", width, height, bits);
}

TESSALY_EXPORT int r_SeekMode(int card, int width, int height, int bitsPerPixel, int requireHardware) {
    if (!ValidCard(card)) return -1;
    const CardRecord& c = g_cards[card];
    bool hardware = (requireHardware & 0xFF) != 0;
    for (size_t i = 0; i < c.modes.size(); ++i) {
        const ModeRecord& m = c.modes[i];
        if (static_cast<int>(m.width) != width || static_cast<int>(m.height) != height ||
            static_cast<int>(m.bits) != bitsPerPixel)
            continue;
        if (!hardware || HardwareRenderTest(c, m)) return static_cast<int>(i);
    }
    return -1;
}
