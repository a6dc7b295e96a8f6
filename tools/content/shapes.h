// Geometry builders that append polygons to an object. Each polygon is given
// with the side it should show, so the corners are stored in the order the
// object format expects (clockwise seen from the visible side).
#pragma once

#include <functional>
#include <vector>

#include "tools/formats/lwob_writer.h"

namespace demo {

// Adds a planar polygon through points p whose visible side faces outward.
void AddFacing(LwobObject& o, const std::vector<Vec3>& p, int surface, Vec3 outward);

// Axis-aligned box; inward shows the inside faces (a room).
void AddBox(LwobObject& o, Vec3 low, Vec3 high, int surface, bool inward = false);

// Upright cylinder standing on base, with optional caps (capSurface 0: none).
void AddCylinder(LwobObject& o, Vec3 base, float radius, float height, int segments, int surface, int capSurface = 0);

// Upright cone (or a frustum when topRadius > 0) standing on base, bottom closed.
void AddCone(LwobObject& o, Vec3 base, float radius, float topRadius, float height, int segments, int surface);

// Ellipsoid with radii r; radius(direction) may shape it (1 keeps it smooth).
void AddEllipsoid(LwobObject& o, Vec3 centre, Vec3 r, int rings, int segments, int surface, bool inward = false,
                  const std::function<float(Vec3)>& radius = {});

// Height field over x, z in [-half, half] with cells x cells quads; the top is visible.
void AddHeightField(LwobObject& o, float half, int cells, const std::function<float(float, float)>& height,
                    int surface);

// Two crossed upright quads (a flame or a plant), both faces meant to be shown double-sided.
void AddCrossedQuads(LwobObject& o, Vec3 base, float halfWidth, float height, int surface);

// Flat upright quad in the x-y plane facing -z (towards a viewer in front).
void AddPanel(LwobObject& o, Vec3 centre, float halfWidth, float halfHeight, int surface);

}  // namespace demo
