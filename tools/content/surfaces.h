// Ready-made surfaces for the demo's objects.
#pragma once

#include <string>

#include "tools/formats/lwob_writer.h"

namespace demo {

LwobSurface Plain(const std::string& name, uint8_t r, uint8_t g, uint8_t b, uint16_t flags = 0);

// A colour texture from maps/image, projected along axis (planar and
// cylindrical) with the given size and centre.
LwobSurface Textured(const std::string& name, const std::string& image, TextureMap map, uint16_t axis, Vec3 size,
                     Vec3 centre = {}, uint16_t flags = 0);

// A light-giving surface (name starts with LOMNI, LSPOT or LDISTANT, P for
// pre-lit). Its range, the reach of the light and the size of its flare, is
// kept in the smoothing angle; the surface itself glows additively.
LwobSurface LightSurface(const std::string& name, uint8_t r, uint8_t g, uint8_t b, float range);

// A light surface that only carries a light: fully transparent, never drawn.
LwobSurface HiddenLightSurface(const std::string& name, uint8_t r, uint8_t g, uint8_t b, float range);

}  // namespace demo
