// Camera flights for the view tracks: the program looks through a light's
// placement (heading about Y, then pitch about X, looking along its +z), so
// a view key is a position and the two angles that aim +z at a target.
#pragma once

#include <functional>
#include <vector>

#include "tools/formats/scene_writer.h"

namespace demo {

// A key at frame placed at from, looking at to (angles in degrees).
SceneKey LookKey(int frame, Vec3 from, Vec3 to);

// The unit direction a view key looks in (the inverse of LookKey's aim).
Vec3 LookDirection(const SceneKey& key);

using Path = std::function<Vec3(float)>;  // t from 0 to 1 over the flight

// Keys every step frames from first to last (both included) along position,
// looking at target; headings are unwrapped so that linear interpolation
// between keys never turns the long way round.
std::vector<SceneKey> Flight(int first, int last, const Path& position, const Path& target, int step = 12);

// Paths from a few control points (Catmull-Rom through them, ends held).
Path Spline(std::vector<Vec3> points);
// A fixed point as a path.
Path Still(Vec3 p);
// A circle of radius r around centre at height y above it, from angle a0 to a1 (degrees).
Path Orbit(Vec3 centre, float radius, float height, float a0, float a1);

}  // namespace demo
