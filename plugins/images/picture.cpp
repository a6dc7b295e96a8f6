// Size limits and allocation shared by the image plug-ins.
#include <new>

#include "plugins/images/picture.h"

namespace images {

bool CheckSize(long long width, long long height, std::string& fault) {
    char text[160];
    if (width < 1 || height < 1) {
        std::snprintf(text, sizeof text, "picture size %lld x %lld is not a picture", width, height);
    } else if (width > kMaxSide || height > kMaxSide) {
        std::snprintf(text, sizeof text, "picture of %lld x %lld pixels is larger than %d x %d", width, height,
                      kMaxSide, kMaxSide);
    } else if (size_t(width) * size_t(height) > kMaxPixels) {
        std::snprintf(text, sizeof text, "picture of %lld x %lld pixels is more than the %zu Mpixels accepted", width,
                      height, kMaxPixels >> 20);
    } else {
        return true;
    }
    fault = text;
    return false;
}

bool Allocate(Picture& out, long long width, long long height, int bits, std::string& fault) {
    out = Picture{};
    if (!CheckSize(width, height, fault)) return false;
    Picture p;
    p.width = static_cast<int>(width);
    p.height = static_cast<int>(height);
    p.bits = bits;
    p.pixels.reset(new (std::nothrow) uint8_t[p.RowBytes() * p.height]);
    if (!p.pixels) {
        fault = "not enough memory for the picture";
        return false;
    }
    out = std::move(p);
    return true;
}

}  // namespace images
