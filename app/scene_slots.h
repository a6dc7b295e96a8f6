// Scene slots: four scenes loaded through the scene library, their tracks,
// detail levels, named special meshes and lighting; key search and track
// poses; the scene director that scripts the demo.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "common/vecmath.h"
#include "tessaly/scene_api.h"

constexpr int kSceneSlots = 4;

// One animated item: an object, a light or a camera.
struct Track {
    char name[256] = {};               // objects only: file name as the scene gives it, upper-cased
    std::vector<KeyFrameRecord> keys;  // ascending frame order
    Vector3 pivot = {0, 0, 0};
    int parent = -1;  // object index in the same slot, -1 for none
};

struct SceneSlot {
    std::vector<int> modelHandles;  // one per object; -1 when its model failed to load
    std::vector<int> detailCounts;  // detail levels loaded right after each object's model
    std::vector<Track> objects;
    std::vector<Track> lights;
    std::vector<Track> cameras;

    int ObjectCount() const { return static_cast<int>(objects.size()); }
    int LightCount() const { return static_cast<int>(lights.size()); }
};

extern SceneSlot g_slots[kSceneSlots];

// Meshes the demo changes every frame, found by object and mesh name at load.
enum SpecialMeshId { kClouds, kGlow, kMask, kSecondMask, kEndTitle, kSpecialMeshCount };
struct SpecialMesh {
    int model = -1;
    int mesh = -1;
};
extern SpecialMesh g_specialMeshes[kSpecialMeshCount];

// World matrices of the current slot's objects and light tracks in demo mode,
// without parents. Sized at load time to the largest slot, never per frame.
extern std::vector<Matrix44> g_objectMatrices;
extern std::vector<Matrix44> g_lightMatrices;

// Loads a scene file into slot s (0..3), replacing and releasing what the slot
// held. False, with the slot and the model store untouched, when the scene
// library cannot read the file as a scene. Objects whose model could not be
// loaded keep the handle -1; when unread is given, one line per such object
// ("NAME (reason)") is added to it. When damage is given it receives what was
// wrong with a scene file read only in part ("" when it was whole).
bool LoadScene(const char* path, int slot, std::vector<std::string>* unread = nullptr, std::string* damage = nullptr);
// The four start-up scenes into slots 0 to 3; sets the scenes-loaded flag. A
// scene that cannot be read, and the objects of a scene that could not be
// read, are reported to the user (one line per scene).
void LoadAllSlots();
// Empties every slot and forgets the special meshes.
void ReleaseSlots();
// Only slot s's model lights, and its models re-lit under them.
void SetUpSlotLighting(int slot);
// Resets and pre-illuminates the objects of a slot and their detail levels.
void RelightSlot(int slot);

// The name of detail level n of an object: "%s_MM%d.%s" from the name split at
// its first '.', or "%s_MM%d" for a name without one. False when it does not fit.
bool DetailLevelName(const char* objectName, int level, char* out, size_t outSize);

struct KeySpan {
    int first = 0;
    int second = 0;
    float fraction = 0.0f;
};
// The pair of keys around time t and how far t lies between them. A time past
// the last key gives the last pair with a fraction above 1 (the pose goes on
// linearly); a track without a qualifying key gives its first key.
KeySpan SearchKeys(const Track& track, float t);
// The pose between two keys: heading, then pitch, then bank about the
// matrix's own axes, translation in world axes. A track without keys is the identity.
Matrix44 TrackPose(const Track& track, const KeySpan& span);
Matrix44 FirstKeyPose(const Track& track);

// The view-track index the director picks for slot s at scene time t, given
// the current one (slots 0 and 3 always use 0).
int DirectorViewTrack(int slot, float t, int current);
// The scene time at which slot s hands over to the next one (-1 for the last slot).
float DirectorSlotEnd(int slot);
// Runs the demo script at the end of a demo frame: rates, view switches, slot changes.
void DirectScene();
