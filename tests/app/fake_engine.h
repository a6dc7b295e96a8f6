// A recording stand-in for the engine core, linked into the program's logic
// for tests: every call is logged by name (a few with their arguments), and
// models "load" when their file exists in the meshes directory.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/vecmath.h"
#include "tessaly/engine_api.h"

namespace fake {

struct Model {
    std::string name;
    std::vector<std::unique_ptr<CMesh>> meshes;
    Vector3 centre = {0, 0, 0};
    float radius = 1.0f;
};

struct Engine {
    // Survey and set-up.
    int cards = 1;
    std::map<int, int> hardwareModes;  // card -> mode found with the hardware flag
    std::map<int, int> anyModes;       // card -> mode found without it
    int windowedResult = 0;            // r_InitEngine result of the windowed set-up
    int frameWidth = 640, frameHeight = 480;

    // Stores.
    int modelCapacity = 400;
    std::vector<std::unique_ptr<Model>> models;
    // Mesh names and vertex count given to a model by its (upper-case) file name.
    std::map<std::string, std::vector<std::string>> meshNames;
    int meshVertices = 4;
    // Texture slot 2 as r_LockTexturePointer hands it out; empty: no picture.
    int lakeWidth = 0, lakeHeight = 0;
    std::vector<uint8_t> lake;

    // What happened.
    std::vector<std::string> calls;
    std::vector<int> drawnHandles;  // r_DrawCMeshData per frame, in order
    std::vector<Matrix44> drawnMatrices;
    Matrix44 camera = MatIdentity();
    int addTextureCalls[3] = {0, 0, 0};
    std::vector<uint8_t> lastWater;  // pixels of the last r_AddTexture(2, ...)
    int lastWaterWidth = 0;
    std::vector<std::string> consoleLines;
    int swaps = 0;
    // r_SwapBuffers posts a quit message with this code when swaps reaches quitAtSwap.
    int quitAtSwap = -1;
    int quitCode = 0;

    // The music library, recorded in calls as well ("MIDASloadModule PATH -> m1",
    // "MIDASplayModule m1 0 -> p1"). Modules load when their file exists; like
    // the library the program was written for, plays start after MIDASclose too.
    bool midasInitFails = false;
    bool midasCloseFails = false;
    int midasModules = 0;  // module and play handles handed out (m1, m2, ... p1, ...)
    int midasPlays = 0;
    int midasLastError = 0;

    int CountCalls(const std::string& prefix) const;
    // Index of the first call starting with prefix at or after from, -1 if none.
    int FindCall(const std::string& prefix, int from = 0) const;
};

extern Engine g_engine;
void Reset();

}  // namespace fake
