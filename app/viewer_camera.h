// The viewer's arithmetic: item matrices from scene poses, the camera's
// field of view, framing an object from its bounding sphere, the orbit
// camera, light placements, and the playback clock over a frame range.
#pragma once

#include "common/vecmath.h"
#include "tessaly/scene_api.h"

// Local matrix of a scene item: scale, then heading, pitch and bank about its
// own axes as scene files mean them (heading turns +z towards +x, pitch tips
// it down, bank turns +x towards +y), about its pivot, placed at its position
// (points are row vectors: world = (p - pivot) x scale x rotation + position).
Matrix44 ItemMatrix(const KeyFrameRecord& pose, const Vector3& pivot);

// An item at position turned to look at target (its +z axis towards it) with
// the given bank, as ItemMatrix turns items; unit scale.
Matrix44 AimAt(const Vector3& position, const Vector3& target, float bank);

// Full horizontal field of view of a zoom factor for a frame of aspect
// width / height: tan(horizontal / 2) = aspect / zoom. Kept within the
// widest view the back-end's culling can take.
float FieldOfViewOfZoom(float zoom, float aspect);
constexpr float kWidestFieldOfView = 1.55f;  // radians, just under 90 degrees

// Distance from a sphere's centre at which the whole sphere fits the frame's
// height with a margin, for a horizontal field of view and aspect.
float FramingDistance(float radius, float fieldOfView, float aspect);

// A camera turning about a target point.
struct OrbitView {
    Vector3 target{0, 0, 0};
    float heading = 0.0f;   // radians about Y
    float pitch = 0.0f;     // radians about X, kept within +-1.5
    float distance = 1.0f;  // from the target, > 0
};
// Camera matrix of an orbit view: looking at the target from distance.
Matrix44 OrbitMatrix(const OrbitView& view);
// Drag turns: 100 units of mouse movement turn by one radian.
void OrbitTurn(OrbitView& view, float dx, float dy);
// Zoom steps: each step moves 10 % closer (positive) or farther (negative).
void OrbitZoom(OrbitView& view, float steps);
// Moves the target along the camera's own axes (sideways, vertical, forward).
void OrbitMove(OrbitView& view, const Vector3& move);

// A placement whose z axis points along direction (a light shining that way).
Matrix44 PlacementAlong(const Vector3& direction);

// The animation clock over first..last: after last + 1 it wraps to first.
struct Playback {
    float frame = 0.0f;
    int first = 0;
    int last = 0;
    float framesPerSecond = 30.0f;
    bool paused = false;
};
// Moves on by a number of frames (nothing while paused).
void AdvancePlayback(Playback& playback, float frames);
// One frame forward (+1) or back (-1), wrapping at the ends.
void StepPlayback(Playback& playback, int step);
void RestartPlayback(Playback& playback);
