// The scene library (liblws.so): reads a LightWave scene file (versions 1 to 5)
// into counts, names, parents, pivots and key-frame records. One scene is
// current at a time; every query reads it until r_ResetAnim releases it.
// The application links against it.
#pragma once

#include <cstdint>

#include "common/vecmath.h"
#include "tessaly/export.h"

// One key of a track, 56 bytes, filled by the library.
struct KeyFrameRecord {
    float position[3];   // x, y, z
    float rotation[3];   // about X, Y, Z in radians (pitch, heading, bank)
    float scale[3];      // sx, sy, sz (not read by the application)
    int32_t frame;       // frame number of the key
    int32_t linear;      // 1 for a linear key (not read by the application)
    float tension;       // (not read by the application)
    float continuity;    // (not read by the application)
    float bias;          // (not read by the application)
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
