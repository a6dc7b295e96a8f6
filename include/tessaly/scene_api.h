// The scene library (liblws.so): reads a LightWave scene file (versions 1 to 5)
// into counts, names, parents, pivots and key-frame records. One scene is
// current at a time; every query reads it until r_ResetAnim releases it.
// The application links against it.
#pragma once

#include <cstdint>

#include "tessaly/export.h"
#include "tessaly/vector_types.h"

// One key of a track, 56 bytes, filled by the library.
struct KeyFrameRecord {
    float position[3];  // x, y, z
    float rotation[3];  // about X, Y, Z in radians (pitch, heading, bank)
    float scale[3];     // sx, sy, sz (not read by the application)
    int32_t frame;      // frame number of the key
    int32_t linear;     // 1 for a linear key (not read by the application)
    float tension;      // (not read by the application)
    float continuity;   // (not read by the application)
    float bias;         // (not read by the application)
};
static_assert(sizeof(KeyFrameRecord) == 56);

// Loads the scene at path (the second argument is reserved, pass 0) and makes it
// current. 0 on success, -1 when the file cannot be read or is not a scene;
// after a failure no scene is current (every count is 0).
TESSALY_EXPORT int r_LoadAnim(const char* path, int reserved);
TESSALY_EXPORT int r_GetObjectsInAnim(void);
TESSALY_EXPORT int r_GetAnimLightsNum(void);
TESSALY_EXPORT int r_GetAnimCamerasNum(void);
// File name with extension, without directories ('\\', '/' and ':' all
// separate; e.g. "SKY.LWO" as written), a null object's name as given; at most
// 255 characters; "" for a bad index. Valid until the next load or reset.
TESSALY_EXPORT const char* r_GetAnimObjectName(int object);
TESSALY_EXPORT int r_GetKeysNum(int object);
TESSALY_EXPORT int r_GetAnimParent(int object);  // parent object index or -1
TESSALY_EXPORT Vector3 r_GetAnimPivotPoint(int object);
// Fills record with key k of the track; 0 on success, -1 for a bad index (record zeroed).
TESSALY_EXPORT int r_GetKeyFrame(int object, int key, KeyFrameRecord* record);
TESSALY_EXPORT int r_GetCamKeysNum(int camera);
TESSALY_EXPORT int r_GetCamAnimParent(int camera);
TESSALY_EXPORT Vector3 r_GetCamPivotPoint(int camera);
TESSALY_EXPORT int r_GetCamKeyFrame(int camera, int key, KeyFrameRecord* record);
TESSALY_EXPORT int r_GetLightKeysNum(int light);
TESSALY_EXPORT int r_GetLightAnimParent(int light);
TESSALY_EXPORT int r_GetLightKeyFrame(int light, int key, KeyFrameRecord* record);
// Releases the current scene; the counts are 0 afterwards.
TESSALY_EXPORT int r_ResetAnim(void);
// What was wrong with the current scene's file, one line: its first damaged
// part (which item, from which line) and how many more there were; "" when the
// file was whole or no scene is current. Valid until the next load or reset.
TESSALY_EXPORT const char* r_GetAnimDamage(void);

// ---- What a viewer needs beyond the demo's calls ----
// Item kinds for r_GetAnimPose.
enum SceneItemKind : int {
    SCENE_ITEM_OBJECT = 0,
    SCENE_ITEM_LIGHT = 1,
    SCENE_ITEM_CAMERA = 2,
};

// Light types as scene files number them (LightType); linear and area lights
// read as point lights.
enum SceneLightType : int {
    SCENE_LIGHT_DISTANT = 0,
    SCENE_LIGHT_POINT = 1,
    SCENE_LIGHT_SPOT = 2,
};

// A light's settings at one frame, filled by r_GetLightInfo.
struct SceneLightInfo {
    int32_t type;     // SceneLightType
    float colour[3];  // red, green, blue 0..1 (files of versions 1 and 2 give 0..255)
    float intensity;  // LgtIntensity / LightIntensity at the frame (1 when absent)
    float coneAngle;  // spot cone half angle in radians (30 degrees when absent)
    float edgeAngle;  // soft edge inside the cone in radians (5 degrees when absent)
    float range;      // distance at which the light has faded out; 0 = no falloff
};

// Scene settings: frame range (FirstFrame, LastFrame; 1 and 60 when absent),
// FramesPerSecond (30 when absent). All 0 while no scene is current.
TESSALY_EXPORT int r_GetAnimFirstFrame(void);
TESSALY_EXPORT int r_GetAnimLastFrame(void);
TESSALY_EXPORT float r_GetAnimFramesPerSecond(void);
// Background colour (BGColor / BackdropColor) into rgb[3], 0..1; black when
// absent. 0, or -1 without a current scene or a null rgb.
TESSALY_EXPORT int r_GetAnimBackground(float* rgb);
// Ambient light: AmbientColor x AmbientIntensity (AmbIntensity in version 1
// and 2 files) into rgb[3], 0..1 per channel before the product; white x 0.25
// when absent. 0, or -1 without a current scene or a null rgb.
TESSALY_EXPORT int r_GetAnimAmbient(float* rgb);
// The object's path exactly as the scene writes it (drive letters, '\\' and
// Amiga volumes kept); a null object's name; "" for a bad index. At most 1023
// characters. Valid until the next load or reset.
TESSALY_EXPORT const char* r_GetAnimObjectPath(int object);
// 1 for an object item that loads a file (LoadObject, LoadObjectLayer), 0 for
// a null object or a bad index.
TESSALY_EXPORT int r_GetAnimObjectHasFile(int object);
// The layer of the object file the item shows: LoadObjectLayer's number (1 the
// first layer); 0 for the whole object (LoadObject, a null object, a bad index).
TESSALY_EXPORT int r_GetAnimObjectLayer(int object);
// ShowObject's first number (0 hides the object); 1 when absent or a bad index.
TESSALY_EXPORT int r_GetAnimObjectVisible(int object);
// ObjectDissolve at a frame: 0 solid .. 1 gone; 0 when absent or a bad index.
TESSALY_EXPORT float r_GetAnimObjectDissolve(int object, float frame);
// An item's motion at any frame (fractions allowed), every channel on its own
// curve: position, rotation (pitch, heading, bank in radians) and scale; the
// frame field holds the frame rounded down. Before the first key and after the
// last the end values hold. 0, or -1 for a bad kind or index (record zeroed).
TESSALY_EXPORT int r_GetAnimPose(int kind, int index, float frame, KeyFrameRecord* record);
// The object an item aims at (TargetObject counted from 1 in versions 1 and
// 2, TargetItem naming an object in later versions): its +z axis turns to the
// target's position, the item's own bank kept. -1 for none or a bad index.
TESSALY_EXPORT int r_GetAnimTarget(int kind, int index);
// The camera's ZoomFactor at a frame (3.2 when absent or a bad index).
TESSALY_EXPORT float r_GetCamZoomFactor(int camera, float frame);
// Full horizontal field of view in radians for a frame width / height of
// aspect: the zoom factor is the focal length over half the frame height, so
// tan(vertical / 2) = 1 / zoom and tan(horizontal / 2) = aspect / zoom.
TESSALY_EXPORT float r_GetCamFieldOfView(int camera, float frame, float aspect);
// A light's settings at a frame. 0, or -1 for a bad index or null info
// (info then holds a white distant light of intensity 1).
TESSALY_EXPORT int r_GetLightInfo(int light, float frame, SceneLightInfo* info);
