// The engine's model store, as seen by the other engine modules (drawing,
// lighting, console). Internal to libt7gfx.so; the exports are in
// tessaly/engine_api.h.
//
// Pointers handed out stay valid until the model's slot is loaded or copied
// into again, or the store is freed.
#pragma once

#include <cstdint>

#include "tessaly/engine_api.h"
#include "tessaly/model_records.h"

// Capacity of the store (0 while it is not allocated).
int ModelCapacity();
// Number of slots currently holding a loaded model.
int ModelLoadedCount();
// The model in a slot, or null for a handle outside 0..capacity-1.
CModel* ModelAt(int handle);
// True when the handle is in range and its slot holds a loaded model.
bool ModelIsLoaded(int handle);
// The lights derived from the model's light surfaces: their number (0 for a
// bad handle) and the array (null when there are none).
int ModelLightCount(int handle);
const ModelLight* ModelLights(int handle);
// The upper-cased file name the model came from ("" when none, null for a bad handle).
const char* ModelName(int handle);

// ---- used by the model store's own files ----

// Empties a slot: its meshes, its lights and its name.
void ClearModelSlot(int handle);
// The first loaded slot whose name equals name exactly, or -1.
int FindModelByName(const char* name);
// Stores name (cut to 255 characters) as the slot's name.
void SetModelName(int handle, const char* name);
// Replaces the slot's lights (ownership passes to the store).
void SetModelLights(int handle, ModelLight* lights, int count);
// Copies model source into target (meshes, flags, sizes, lights, name); both
// handles are in range and differ. False when memory runs out (target cleared).
bool CopyModelSlot(int source, int target);

// Builds the lights of a loaded model from its light surfaces. Returns the
// array (null when the model has none or memory runs out) and sets count.
ModelLight* BuildModelLights(const CModel& model, int& count);
