#include "tools/content/surfaces.h"

namespace demo {

namespace {

constexpr float kRangePerRadian = 56.3f;  // a light's range is its smoothing angle times this

}  // namespace

LwobSurface Plain(const std::string& name, uint8_t r, uint8_t g, uint8_t b, uint16_t flags) {
    LwobSurface s;
    s.name = name;
    s.red = r, s.green = g, s.blue = b;
    s.flags = flags;
    return s;
}

LwobSurface Textured(const std::string& name, const std::string& image, TextureMap map, uint16_t axis, Vec3 size,
                     Vec3 centre, uint16_t flags) {
    LwobSurface s = Plain(name, 255, 255, 255, flags);
    LwobTexture t;
    t.map = map;
    t.image = image;
    t.axis = axis;
    t.size = size;
    t.centre = centre;
    s.textures.push_back(t);
    return s;
}

LwobSurface LightSurface(const std::string& name, uint8_t r, uint8_t g, uint8_t b, float range) {
    LwobSurface s = Plain(name, r, g, b, kSurfaceAdditive | kSurfaceDoubleSided);
    s.luminosity = 1.0f;
    s.smoothingAngle = range / kRangePerRadian;
    return s;
}

LwobSurface HiddenLightSurface(const std::string& name, uint8_t r, uint8_t g, uint8_t b, float range) {
    LwobSurface s = Plain(name, r, g, b);
    s.transparency = 1.0f;
    s.smoothingAngle = range / kRangePerRadian;
    return s;
}

}  // namespace demo
