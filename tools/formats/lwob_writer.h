// Writes LightWave objects of the LWOB kind: points, polygons with their
// surface numbers, and surfaces with colour, levels, flags, smoothing angle
// and image-mapped texture blocks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/formats/vec3.h"

namespace demo {

// Surface flag bits.
enum : uint16_t {
    kSurfaceSmoothing = 0x4,
    kSurfaceSourceColour = 0x80,
    kSurfaceDoubleSided = 0x100,
    kSurfaceAdditive = 0x200,
};

// Axis bits of a texture block.
enum : uint16_t { kAxisX = 0x1, kAxisY = 0x2, kAxisZ = 0x4 };

enum class TextureChannel { Colour, Diffuse, Specular, Reflection, Transparency, Bump };
enum class TextureMap { Planar, Cubic, Cylindrical };

struct LwobTexture {
    TextureChannel channel = TextureChannel::Colour;
    TextureMap map = TextureMap::Planar;
    std::string image;  // file name in the maps folder
    uint16_t axis = kAxisY;
    Vec3 size{1, 1, 1};
    Vec3 centre{};
    Vec3 velocity{};    // texture drift per frame
    float wrap = 1.0f;  // repeats around a cylinder
};

struct LwobSurface {
    std::string name;
    uint8_t red = 200, green = 200, blue = 200;
    uint16_t flags = 0;
    float luminosity = 0, diffuse = 1, reflection = 0, transparency = 0;  // 0 to 1
    float smoothingAngle = 0;                                             // radians
    std::vector<LwobTexture> textures;
};

class LwobObject {
public:
    // Index of the new point.
    int AddPoint(Vec3 p);
    // Surface number to give polygons (1-based, as stored in the file).
    int AddSurface(const LwobSurface& surface);
    // corners are point indices, listed clockwise seen from the visible side.
    void AddPolygon(const std::vector<int>& corners, int surface);
    // Appends every point, surface and polygon of other, renumbered.
    void Merge(const LwobObject& other);

    int PointCount() const { return static_cast<int>(points_.size()); }
    int SurfaceCount() const { return static_cast<int>(surfaces_.size()); }
    int TriangleCount() const;  // after fan triangulation
    const std::vector<Vec3>& Points() const { return points_; }
    std::vector<Vec3>& Points() { return points_; }
    const std::vector<LwobSurface>& Surfaces() const { return surfaces_; }

    // Empty when the object fits the format's limits (16-bit point indices,
    // 65535 triangles, 255-character names), otherwise what is wrong.
    std::string Problem() const;
    std::vector<uint8_t> Bytes() const;

private:
    struct Polygon {
        std::vector<int> corners;
        int surface;
    };
    std::vector<Vec3> points_;
    std::vector<LwobSurface> surfaces_;
    std::vector<Polygon> polygons_;
};

}  // namespace demo
