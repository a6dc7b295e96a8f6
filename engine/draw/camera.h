// The camera the engine draws with: the last placement given to r_SetCamMatrix
// (internal to libt7gfx.so). The identity until the first r_SetCamMatrix.
#pragma once

#include "common/vecmath.h"

const Matrix44& CameraMatrix();
