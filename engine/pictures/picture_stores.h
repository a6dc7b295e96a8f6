// The engine's texture and image stores, as seen by the other engine modules
// (internal to libt7gfx.so; the exports are in tessaly/engine_api.h).
#pragma once

#include "engine/pictures/image_record.h"

// Capacity of the texture store (0 while it is not allocated).
int TextureCapacity();
// The record of a texture, or null for a handle outside 0..capacity-1.
const ImageRecord* TextureRecord(int handle);

// Capacity of the image store (0 while it is not allocated).
int ImageCapacity();
// The record of an image, or null for a handle outside 0..capacity-1.
const ImageRecord* ImageRecordAt(int handle);
