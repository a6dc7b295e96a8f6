// The two kinds of 3D frame: the demo frame (the current slot's scene through
// its light-track views) and the walk frame (a free camera through the
// current slot frozen at its first keys).
#pragma once

#include <cstdint>
#include <vector>

#include "common/vecmath.h"

struct Track;

void DemoFrame();
void WalkFrame();
// The credits picture: 4:3 at the frame's height, centred (the whole frame at 640x480).
void DrawCreditsPicture();

// Per-frame keys (moves, F1 to F4, Escape), then the mouse turns the walk
// camera and the view matrix is rebuilt from it.
void UpdateWalkCamera();
// Rebuilds the view matrix from the walk camera's angles and moves it by
// (sideways, vertical, forward) along its own axes.
void MoveWalkCamera(const Vector3& move);
// The walk camera's move of this frame from the keys held (A/Z vertical,
// up/down forward, right/left sideways), g_app.walkStep a key.
Vector3 WalkMove();

// Glow colour of the intro at scene time t: black until 50, up to full at 160.
uint32_t IntroGlowColour(float t);
// End-title colour e seconds into the last scene: white for 2 s, then fading out over 3 s.
uint32_t EndTitleColour(float seconds);
// Detail level for an object at a distance from the camera: one level per four
// radii, at most count; level 0 for a radius that gives no finite ratio.
int DetailLevel(float distance, float radius, int count);

// matrix x the world matrices of its parents, walking parent links through the
// object tracks. A parent index outside the objects ends the chain, and a chain
// is cut after as many steps as there are objects, so a cycle cannot hang it.
Matrix44 WithParents(Matrix44 matrix, int parent, const std::vector<Track>& objects,
                     const std::vector<Matrix44>& objectMatrices);
