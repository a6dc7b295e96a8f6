// Demo and walk frames: the walk camera, light-track views with parent chains,
// detail levels by distance, the intro glow and end-title fades, the end
// sequence and the cloud drift.
#include "app/frames.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/app_state.h"
#include "app/music.h"
#include "app/procedural_textures.h"
#include "app/scene_slots.h"
#include "platform/platform.h"
#include "tessaly/engine_api.h"
#include "tessaly/input_api.h"

void DrawCreditsPicture() {
    const int width = g_app.frameHeight * 4 / 3;
    r_DrawBitmap(0, (g_app.frameWidth - width) / 2, 0, width, g_app.frameHeight, 0, nullptr);
}

namespace {

constexpr uint32_t kMaskColour = 0xA0FFFFFF;
constexpr uint32_t kFrameRateColour = 0x7f;  // dark red
constexpr uint32_t kShadowColour = 0x000000;

SceneSlot* CurrentSlot() {
    if (g_app.slotIndex < 0 || g_app.slotIndex >= kSceneSlots) return nullptr;
    return &g_slots[g_app.slotIndex];
}

uint32_t GreyWithAlphaOne(float level) {
    const int v = std::clamp(static_cast<int>(level * 255.0f), 0, 255);
    const uint32_t u = static_cast<uint32_t>(v);
    return 0x01000000u | u << 16 | u << 8 | u;
}

// The mesh record of a special mesh, or null while it was not found.
CMesh* SpecialMeshRecord(SpecialMeshId id) {
    const SpecialMesh& special = g_specialMeshes[id];
    if (special.model == -1 || special.mesh == -1) return nullptr;
    return r_GetMeshPointer(special.model, special.mesh, nullptr);
}

// Vertices of a mesh that its arrays really hold.
int UsableVertices(const CMesh& mesh) { return std::clamp(mesh.vertexCount, 0, std::max(mesh.capacity, 0)); }

void PaintMesh(SpecialMeshId id, uint32_t colour) {
    CMesh* mesh = SpecialMeshRecord(id);
    if (!mesh || !mesh->coloursA || !mesh->coloursB) return;
    const int count = UsableVertices(*mesh);
    for (int i = 0; i < count; ++i) {
        mesh->coloursA[i] = colour;
        mesh->coloursB[i] = colour;
    }
}

// The clouds' texture coordinates drift by the surface's texture velocity every frame.
void ScrollClouds() {
    CMesh* mesh = SpecialMeshRecord(kClouds);
    if (!mesh || !mesh->texCoords[0]) return;
    const int count = std::min(UsableVertices(*mesh), std::max(mesh->texCoordCapacity[0], 0));
    const float du = mesh->textureVelocity[0][0];
    const float dv = mesh->textureVelocity[0][1];
    for (int i = 0; i < count; ++i) {
        mesh->texCoords[0][i].u += du;
        mesh->texCoords[0][i].v += dv;
    }
}

// Every 3D frame starts on a cleared frame. The scenes with a sky cover the
// whole frame, so for them the clear changes no pixel (the background-clear
// flag only says a scene needs it); a scene without one would otherwise show
// every earlier frame, and the frame-rate text, through its empty parts.
void ClearFrame() {
    r_ClearScreen(0, nullptr);
    r_ClearZBuffer(1.0f, nullptr);
}

// Text with a dark outline one pixel wide, so it reads over bright parts of
// the picture (flares) as well as over dark ones.
void PrintWithShadow(const char* text, int x, int y, uint32_t colour) {
    static constexpr int kAround[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}};
    for (const auto& d : kAround) r_SysPrint(text, x + d[0], y + d[1], kShadowColour);
    r_SysPrint(text, x, y, colour);
}

// Back to the start of the demo from walk mode.
void RestartDemo() {
    g_app.clearBackground = true;
    g_app.demoMode = true;
    g_app.slotIndex = 0;
    g_app.sceneTime = 0.0f;
    g_app.viewTrack = 0;
    g_app.animRate = 60.0f;
    r_ClearScreen(0, nullptr);
    r_ClearZBuffer(1.0f, nullptr);
    r_SwapBuffers(0);
    r_ClearScreen(0, nullptr);
    r_ClearZBuffer(1.0f, nullptr);
    SetUpSlotLighting(0);
    g_app.sceneWatch.Start();
    RestartFirstModule();
}

// Keys read in every 3D frame; returns the move of the walk camera.
Vector3 HandleFrameKeys() {
    const Vector3 move = WalkMove();
    if (T7I_CheckKey(DIK_F1)) g_app.slotIndex = 0;
    if (T7I_CheckKey(DIK_ESCAPE)) g_app.quit = true;
    if (T7I_CheckKey(DIK_F2)) g_app.slotIndex = 1;
    if (T7I_CheckKey(DIK_F3) == 1) r_ScreenShot("ts", g_app.shotFormat, g_app.shotsPath, 0, r_ConsolePrintLine);
    if (T7I_CheckKey(DIK_F4) == 1) {
        if (g_app.demoMode)
            g_app.demoMode = false;
        else
            RestartDemo();
    }
    return move;
}

// The credits picture after the end title, then the program ends.
void EndSequence() {
    r_ClearScreen(0, nullptr);
    r_SwapBuffers(0);
    r_ClearScreen(0, nullptr);
    DrawCreditsPicture();
    r_SwapBuffers(0);
    // Closing the window ends the waits at once; the main loop then quits.
    if (plat_WaitSecondsResponsive(5.0) == 0) {
        r_ClearScreen(0, nullptr);
        r_SwapBuffers(0);
        plat_WaitSecondsResponsive(3.0);
    }
    g_app.quit = true;
}

}  // namespace

uint32_t IntroGlowColour(float t) {
    if (t >= 160.0f) return 0xFFFFFFFFu;
    if (t < 50.0f) return 0;
    return GreyWithAlphaOne((t - 50.0f) / 110.0f);
}

uint32_t EndTitleColour(float seconds) {
    if (seconds < 2.0f) return 0xFFFFFFFFu;
    return GreyWithAlphaOne(1.0f - (seconds - 2.0f) / 3.0f);
}

int DetailLevel(float distance, float radius, int count) {
    if (count <= 0) return 0;
    const float ratio = distance / (radius * 4.0f);
    if (!(radius > 0.0f) || std::isnan(ratio) || ratio < 0.0f) return 0;
    if (ratio >= static_cast<float>(count)) return count;
    return static_cast<int>(ratio);
}

Matrix44 WithParents(Matrix44 matrix, int parent, const std::vector<Track>& objects,
                     const std::vector<Matrix44>& objectMatrices) {
    const int count = static_cast<int>(std::min(objects.size(), objectMatrices.size()));
    for (int steps = 0; parent >= 0 && parent < count && steps < count; ++steps) {
        Matrix44 product;
        MatMultiply(matrix, objectMatrices[static_cast<size_t>(parent)], product);
        matrix = product;
        parent = objects[static_cast<size_t>(parent)].parent;
    }
    return matrix;
}

Vector3 WalkMove() {
    const float step = g_app.walkStep;
    Vector3 move{0, 0, 0};  // sideways, vertical, forward
    if (T7I_CheckKey(DIK_A)) move.y = step;
    if (T7I_CheckKey(DIK_Z)) move.y = -step;
    if (T7I_CheckKey(DIK_UP)) move.z = step;
    if (T7I_CheckKey(DIK_DOWN)) move.z = -step;
    if (T7I_CheckKey(DIK_RIGHT)) move.x = step;
    if (T7I_CheckKey(DIK_LEFT)) move.x = -step;
    return move;
}

void MoveWalkCamera(const Vector3& move) {
    Matrix44& view = g_app.view;
    view = MatIdentity();
    MatRotateEuler(view, Vector3{0, g_app.walkAngles.y, 0}, true);
    MatRotateEuler(view, Vector3{g_app.walkAngles.x, 0, 0}, true);
    MatRotateEuler(view, Vector3{0, 0, g_app.walkAngles.z}, true);
    view.at(3, 0) = g_app.walkPosition.x;
    view.at(3, 1) = g_app.walkPosition.y;
    view.at(3, 2) = g_app.walkPosition.z;
    MatTranslate(view, move, true);
    g_app.walkPosition = Vector3{view.at(3, 0), view.at(3, 1), view.at(3, 2)};
}

void UpdateWalkCamera() {
    const Vector3 move = HandleFrameKeys();
    g_app.walkAngles.y += -static_cast<float>(T7I_CheckMouseAxis(0)) / 50.0f;
    g_app.walkAngles.x += -static_cast<float>(T7I_CheckMouseAxis(1)) / 50.0f;
    MoveWalkCamera(move);
}

void WalkFrame() {
    UpdateWalkCamera();
    ClearFrame();
    r_SetCamMatrix(&g_app.view);

    const SceneSlot* slot = CurrentSlot();
    if (g_app.scenesLoaded && slot) {
        const Vector3 camera = {g_app.view.at(3, 0), g_app.view.at(3, 1), g_app.view.at(3, 2)};
        for (int i = 0; i < slot->ObjectCount(); ++i) {
            const size_t k = static_cast<size_t>(i);
            const int model = slot->modelHandles[k];
            const Matrix44 pose = FirstKeyPose(slot->objects[k]);
            int detail = 0;
            if (slot->detailCounts[k] > 0) {
                Vector3 centre = r_GetModelCenter(model);
                VecTransform(centre, pose);
                detail = DetailLevel(VecDistance(centre, camera), r_GetModelRadius(model), slot->detailCounts[k]);
            }
            r_DrawCMeshData(model + detail, pose, 0);
        }
    }
    r_FlushAlphaMeshes();
    r_RenderLightEffects();
    std::snprintf(g_app.message, sizeof g_app.message, "%4.3f Fps", static_cast<double>(g_app.fps));
    PrintWithShadow(g_app.message, 0, 0, kFrameRateColour);
    r_SwapBuffers(0);
    UpdateProceduralTextures();
    g_app.sceneTime += 1.0f;
    ScrollClouds();
}

void DemoFrame() {
    if (g_app.slotIndex == 0 && SpecialMeshRecord(kGlow)) {
        PaintMesh(kGlow, IntroGlowColour(g_app.sceneTime));
        PaintMesh(kMask, kMaskColour);
        PaintMesh(kSecondMask, kMaskColour);
    }
    if (g_app.slotIndex == 3 && SpecialMeshRecord(kEndTitle)) {
        const float e = g_app.sceneWatch.Elapsed();
        PaintMesh(kEndTitle, EndTitleColour(e));
        std::snprintf(g_app.message, sizeof g_app.message, "%f", static_cast<double>(e));
        r_SysPrint(g_app.message, 0, 15, 0xffff);
        if (e >= 4.9f) EndSequence();
    }

    UpdateWalkCamera();
    ClearFrame();

    const SceneSlot* slot = CurrentSlot();
    if (slot) {
        const float t = g_app.sceneTime;
        for (int j = 0; j < slot->LightCount() && j < static_cast<int>(g_lightMatrices.size()); ++j) {
            const Track& light = slot->lights[static_cast<size_t>(j)];
            g_lightMatrices[static_cast<size_t>(j)] = TrackPose(light, SearchKeys(light, t));
        }
        // The view follows its light's parents through last frame's object
        // matrices. A view index without a light track gives the identity view.
        Matrix44 view = MatIdentity();
        if (g_app.viewTrack >= 0 && g_app.viewTrack < slot->LightCount()) {
            const size_t v = static_cast<size_t>(g_app.viewTrack);
            view = WithParents(g_lightMatrices[v], slot->lights[v].parent, slot->objects, g_objectMatrices);
        }
        g_app.view = view;
        r_SetCamMatrix(&g_app.view);

        const int objects = std::min(slot->ObjectCount(), static_cast<int>(g_objectMatrices.size()));
        for (int i = 0; i < objects; ++i) {
            const Track& object = slot->objects[static_cast<size_t>(i)];
            g_objectMatrices[static_cast<size_t>(i)] = TrackPose(object, SearchKeys(object, t));
        }
        for (int i = 0; i < objects; ++i) {
            const size_t k = static_cast<size_t>(i);
            const Matrix44 world =
                WithParents(g_objectMatrices[k], slot->objects[k].parent, slot->objects, g_objectMatrices);
            r_DrawCMeshData(slot->modelHandles[k], world, 0);
        }
    } else {
        r_SetCamMatrix(&g_app.view);
    }
    r_FlushAlphaMeshes();
    if (g_app.slotIndex != 0 && g_app.slotIndex != 3) r_RenderLightEffects();
    r_SwapBuffers(0);
    UpdateProceduralTextures();
    ScrollClouds();
    g_app.sceneTime = g_app.sceneWatch.Elapsed() * g_app.animRate;
    DirectScene();
}
