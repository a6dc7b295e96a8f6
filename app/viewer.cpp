// The viewer's run: engine start without a demo data set, loading a scene or
// an object with every path resolved and every failure reported once, and
// the frames of playback, walk and orbit with the information overlay.
#include "app/viewer.h"

#include <sys/stat.h>
#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/content_paths.h"
#include "app/frames.h"
#include "app/launcher_options.h"
#include "app/main_loop.h"
#include "app/run_report.h"
#include "app/startup.h"
#include "app/user_reports.h"
#include "app/viewer_camera.h"
#include "platform/platform.h"
#include "tessaly/engine_api.h"
#include "tessaly/input_api.h"
#include "tessaly/lighting_interface.h"
#include "tessaly/scene_api.h"

namespace {

// Keys beyond the ones the input header names.
constexpr int kKeyR = 0x13;
constexpr int kKeyI = 0x17;
constexpr int kKeyHome = 0xC7;
constexpr int kKeyPageUp = 0xC9;
constexpr int kKeyPageDown = 0xD1;

constexpr float kOverlaySeconds = 4.0f;     // the overlay shows this long after a file opens
constexpr float kObjectFieldOfView = 0.9f;  // radians, the object view's horizontal angle
constexpr float kSceneNear = 0.1f;
constexpr float kSceneFar = 2000.0f;
constexpr float kNoFalloffRange = 1e9f;  // a light without falloff reaches everything
constexpr int kWheelNotch = 120;         // the input library's wheel units per notch

// One object of the open file.
struct ViewerObject {
    int model = -1;   // model handle, -1 when it did not load (or a null object)
    int parent = -1;  // object index
    Vector3 pivot{0, 0, 0};
    bool visible = true;
    int triangles = 0;                // triangles of the model, counted once at load
    std::vector<float> transparency;  // each mesh's own surface transparency, before dissolve
    float dissolve = 0.0f;            // the dissolve the meshes were last set for
};

struct ViewerState {
    bool active = false;
    bool scene = false;  // a scene (else one object)
    std::string file;    // the path given
    std::string title;   // its file name, for the overlay
    std::vector<ViewerObject> objects;
    std::vector<Matrix44> local;  // per object, this frame, before parents
    std::vector<Matrix44> world;  // per object, this frame, with parents
    int lights = 0;
    int cameras = 0;
    uint32_t background = 0;  // 0xRRGGBB
    float ambient[3] = {0, 0, 0};
    Playback playback;
    OrbitView orbit;       // object mode
    OrbitView orbitStart;  // what R goes back to
    bool walking = false;  // F4: the walk camera instead of the scene camera or the orbit
    bool overlay = false;
    bool overlayToggled = false;  // I was pressed: the start-up showing no longer applies
    Stopwatch opened;             // since the file opened
    int trianglesDrawn = 0;
    uint32_t lastMilliseconds = 0;
    float fieldOfView = kObjectFieldOfView;
    Matrix44 camera = MatIdentity();
    bool presented = false;  // a frame was shown since the engine started
};

ViewerState g_viewer;

// ---------------------------------------------------------------- reporting

// Engine messages of one load, the last error among them kept as the reason.
std::string g_lastEngineError;

int CaptureEngineMessage(const char* message) {
    if (message == nullptr || std::strstr(message, "Error") == nullptr) return 0;
    std::string text = message;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    g_lastEngineError = text;
    return 0;
}

// One failure line, on standard error and on the console.
void Report(const std::string& line) {
    std::fprintf(stderr, "tessaly: %s\n", line.c_str());
    r_ConsolePrintLine(line.c_str());
}

bool EndsWithNoCase(const std::string& text, const char* suffix) {
    const size_t n = std::strlen(suffix);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - n + i])) != suffix[i]) return false;
    return true;
}

std::string AbsoluteFolderOf(const std::string& file) {
    std::string folder = FolderOf(file);
    char resolved[PATH_MAX];
    if (realpath(folder.empty() ? "." : folder.c_str(), resolved) == nullptr) return folder;
    std::string absolute = resolved;
    if (absolute.empty() || absolute.back() != '/') absolute += '/';
    return absolute;
}

// ---------------------------------------------------------------- loading

// Textures the engine could not find in the object's folder, looked for as
// images are from each of the folders in turn; each one still missing or
// unreadable is reported once per load, with every place tried.
void ResolveTextures(int model, const std::vector<std::string>& folders, const std::string& contentDir,
                     std::vector<std::string>& reported) {
    const int meshes = r_GetMeshesNum(model, nullptr);
    for (int m = 0; m < meshes; ++m) {
        CMesh* mesh = r_GetMeshPointer(model, m, nullptr);
        if (mesh == nullptr) continue;
        for (int j = 0; j < mesh->textureCount && j < kMeshTextureSlots; ++j) {
            if (mesh->textureHandles[j] != -1) continue;
            char written[256];
            std::snprintf(written, sizeof written, "%s", mesh->textureNames[j]);
            if (written[0] == '\0') continue;
            ContentSearch search;
            search.written = written;
            for (const std::string& folder : folders) {
                const ContentSearch from =
                    FindContent(written, ContentKind::Image, folder, contentDir, ContentFileExists);
                for (const std::string& place : from.tried)
                    if (std::find(search.tried.begin(), search.tried.end(), place) == search.tried.end())
                        search.tried.push_back(place);
                search.found = from.found;
                if (!search.found.empty()) break;
            }
            std::string why = "not found";
            if (!search.found.empty()) {
                char name[256];
                std::snprintf(name, sizeof name, "%s", BareFileName(search.found).c_str());
                g_lastEngineError.clear();
                const int handle = r_LoadTexture(-1, name, FolderOf(search.found).c_str(), 0, CaptureEngineMessage);
                if (handle != -1) {
                    mesh->textureHandles[j] = handle;
                    continue;
                }
                why = "could not be read from " + search.found +
                      (g_lastEngineError.empty() ? std::string() : ": " + g_lastEngineError);
            }
            if (std::find(reported.begin(), reported.end(), std::string(written)) != reported.end()) continue;
            reported.push_back(written);
            Report("image " + std::string(written) + " " + why + " (" + TriedPlaces(search) + ")");
        }
    }
}

int CountTriangles(int model) {
    int triangles = 0;
    const int meshes = r_GetMeshesNum(model, nullptr);
    for (int m = 0; m < meshes; ++m) {
        const CMesh* mesh = r_GetMeshPointer(model, m, nullptr);
        if (mesh != nullptr) triangles += std::max(mesh->indexCount, 0) / 3;
    }
    return triangles;
}

// Loads the object a search found, or one layer of it (layer 0 the whole
// object; its images looked for from the object's folder, then the scene's);
// -1 after its failure line.
int LoadObjectFile(const ContentSearch& search, int layer, const std::string& sceneFolder,
                   const std::string& contentDir, std::vector<std::string>& reportedImages) {
    const std::string& written = search.written;
    if (search.found.empty()) {
        Report("object " + written + " not found (" + TriedPlaces(search) + ")");
        return -1;
    }
    const std::string folder = FolderOf(search.found);
    char name[256];
    std::snprintf(name, sizeof name, "%s", BareFileName(search.found).c_str());
    g_lastEngineError.clear();
    const int model = r_LoadModelLayer(-1, name, folder.c_str(), folder.c_str(), layer, CaptureEngineMessage);
    if (model == -1) {
        Report("object " + written + " could not be read from " + search.found + ": " +
               (g_lastEngineError.empty() ? std::string("the reader refused it") : g_lastEngineError));
        return -1;
    }
    // A file the reader refused still gives a model, but one without polygons.
    if (CountTriangles(model) == 0) {
        r_FreeModel(model, nullptr);
        Report("object " + written + " could not be read from " + search.found + ": no polygons could be read from it");
        return -1;
    }
    std::vector<std::string> folders = {folder.empty() ? std::string("./") : folder};
    if (!sceneFolder.empty() && sceneFolder != folder) folders.push_back(sceneFolder);
    ResolveTextures(model, folders, contentDir, reportedImages);
    return model;
}

// Gives every model of the open file back to the store.
void ReleaseContent() {
    for (const ViewerObject& object : g_viewer.objects)
        if (object.model != -1) r_FreeModel(object.model, nullptr);
    g_viewer.objects.clear();
    g_viewer.local.clear();
    g_viewer.world.clear();
    r_KillAllLights();
    r_ResetAnim();
    g_viewer.lights = 0;
    g_viewer.cameras = 0;
}

uint32_t PackColour(const float* rgb) {
    auto byte = [](float v) { return static_cast<uint32_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); };
    return byte(rgb[0]) << 16 | byte(rgb[1]) << 8 | byte(rgb[2]);
}

// The unlit colours of every model under the file's ambient light.
void ApplyAmbient() {
    r_SetAmbient(g_viewer.ambient[0], g_viewer.ambient[1], g_viewer.ambient[2]);
    for (const ViewerObject& object : g_viewer.objects)
        if (object.model != -1) r_ResetModelIllum(object.model, nullptr);
}

void StartShowing(const std::string& path) {
    g_viewer.file = path;
    g_viewer.title = BareFileName(path);
    g_viewer.local.assign(g_viewer.objects.size(), MatIdentity());
    g_viewer.world.assign(g_viewer.objects.size(), MatIdentity());
    g_viewer.walking = false;
    g_viewer.opened.Start();
    g_viewer.overlayToggled = false;
    g_viewer.lastMilliseconds = plat_Milliseconds();
    ApplyAmbient();
}

void KeepTransparency(ViewerObject& object) {
    const int meshes = r_GetMeshesNum(object.model, nullptr);
    object.transparency.assign(static_cast<size_t>(std::max(meshes, 0)), 0.0f);
    for (int m = 0; m < meshes; ++m)
        if (const CMesh* mesh = r_GetMeshPointer(object.model, m, nullptr))
            object.transparency[static_cast<size_t>(m)] = mesh->transparency;
}

// A partly dissolved object is drawn see-through: each surface's transparency
// grows with the dissolve, and its unlit colours (which carry it) are renewed.
void ApplyDissolve(ViewerObject& object, float dissolve) {
    if (dissolve == object.dissolve) return;
    object.dissolve = dissolve;
    for (size_t m = 0; m < object.transparency.size(); ++m) {
        CMesh* mesh = r_GetMeshPointer(object.model, static_cast<int>(m), nullptr);
        if (mesh == nullptr) continue;
        mesh->transparency = 1.0f - (1.0f - object.transparency[m]) * (1.0f - dissolve);
        r_ResetSBMIllum(mesh, mesh->luminosity);
    }
}

// Loads a scene; false (after its message) when nothing in it can be shown.
bool LoadSceneFile(const std::string& path) {
    ReleaseContent();
    if (r_LoadAnim(path.c_str(), 0) != 0) {
        Report(path + " is not a scene file that can be read");
        return false;
    }
    g_viewer.scene = true;
    const std::string sceneFolder = AbsoluteFolderOf(path);
    const char* content = RunLaunchOptions().contentDir;
    const std::string contentDir = content != nullptr ? content : "";
    std::vector<std::string> reportedImages;
    const int count = std::max(r_GetObjectsInAnim(), 0);
    int loaded = 0;
    g_viewer.objects.assign(static_cast<size_t>(count), ViewerObject{});
    for (int i = 0; i < count; ++i) {
        ViewerObject& object = g_viewer.objects[static_cast<size_t>(i)];
        object.parent = r_GetAnimParent(i);
        object.pivot = r_GetAnimPivotPoint(i);
        object.visible = r_GetAnimObjectVisible(i) != 0;
        if (!r_GetAnimObjectHasFile(i)) continue;
        const ContentSearch search =
            FindContent(r_GetAnimObjectPath(i), ContentKind::Object, sceneFolder, contentDir, ContentFileExists);
        object.model = LoadObjectFile(search, r_GetAnimObjectLayer(i), sceneFolder, contentDir, reportedImages);
        if (object.model == -1) continue;
        object.triangles = CountTriangles(object.model);
        KeepTransparency(object);
        ++loaded;
    }
    if (loaded == 0) {
        Report(path + (count == 0 ? " holds no objects" : " has no object that could be loaded"));
        ReleaseContent();
        return false;
    }
    g_viewer.lights = std::max(r_GetAnimLightsNum(), 0);
    g_viewer.cameras = std::max(r_GetAnimCamerasNum(), 0);
    float rgb[3] = {0, 0, 0};
    r_GetAnimBackground(rgb);
    g_viewer.background = PackColour(rgb);
    r_GetAnimAmbient(g_viewer.ambient);
    // A scene without lights would be dark: it gets the object view's lights.
    g_viewer.playback = Playback{};
    g_viewer.playback.first = r_GetAnimFirstFrame();
    g_viewer.playback.last = std::max(r_GetAnimLastFrame(), g_viewer.playback.first);
    g_viewer.playback.framesPerSecond = r_GetAnimFramesPerSecond();
    RestartPlayback(g_viewer.playback);
    StartShowing(path);
    return true;
}

void FrameObject() {
    const int model = g_viewer.objects.empty() ? -1 : g_viewer.objects[0].model;
    OrbitView view;
    view.target = r_GetModelCenter(model);
    const float aspect = g_app.frameHeight > 0 ? static_cast<float>(g_app.frameWidth) / g_app.frameHeight : 4.0f / 3.0f;
    view.distance = FramingDistance(r_GetModelRadius(model), kObjectFieldOfView, aspect);
    // A little from above and to the side, so the object shows its shape.
    view.heading = -0.5f;
    view.pitch = 0.35f;
    g_viewer.orbit = view;
    g_viewer.orbitStart = view;
}

bool LoadObjectOnly(const std::string& path) {
    ReleaseContent();
    g_viewer.scene = false;
    std::vector<std::string> reportedImages;
    const char* content = RunLaunchOptions().contentDir;
    ViewerObject object;
    // The file named on the command line or the console is taken as it stands.
    ContentSearch search;
    search.written = path;
    search.tried.push_back(path);
    if (ContentFileExists(path)) search.found = path;
    object.model = LoadObjectFile(search, 0, "", content != nullptr ? content : "", reportedImages);
    if (object.model == -1) return false;
    object.triangles = CountTriangles(object.model);
    g_viewer.objects.push_back(object);
    g_viewer.background = 0x303038;
    g_viewer.ambient[0] = g_viewer.ambient[1] = g_viewer.ambient[2] = 0.2f;
    g_viewer.playback = Playback{};
    FrameObject();
    StartShowing(path);
    return true;
}

bool LoadFile(const std::string& path, InputFileKind kind) {
    return kind == InputFileKind::Scene ? LoadSceneFile(path) : LoadObjectOnly(path);
}

// ---------------------------------------------------------------- per frame

float FrameAspect() {
    return g_app.frameHeight > 0 ? static_cast<float>(g_app.frameWidth) / static_cast<float>(g_app.frameHeight)
                                 : 4.0f / 3.0f;
}

Matrix44 ItemPose(int kind, int index, float frame, const Vector3& pivot) {
    KeyFrameRecord pose{};
    r_GetAnimPose(kind, index, frame, &pose);
    return ItemMatrix(pose, pivot);
}

// An item that aims at an object turns its +z axis to the object's place
// this frame, keeping its own position and bank.
Matrix44 Aimed(const Matrix44& world, int kind, int index, float frame) {
    const int target = r_GetAnimTarget(kind, index);
    if (target < 0 || static_cast<size_t>(target) >= g_viewer.world.size()) return world;
    KeyFrameRecord pose{};
    r_GetAnimPose(kind, index, frame, &pose);
    const Matrix44& aim = g_viewer.world[static_cast<size_t>(target)];
    return AimAt(Vector3{world.at(3, 0), world.at(3, 1), world.at(3, 2)},
                 Vector3{aim.at(3, 0), aim.at(3, 1), aim.at(3, 2)}, pose.rotation[2]);
}

// matrix x the world matrices of its parents (objects of this frame).
Matrix44 UnderParents(Matrix44 matrix, int parent) {
    const int count = static_cast<int>(g_viewer.objects.size());
    for (int steps = 0; parent >= 0 && parent < count && steps < count; ++steps) {
        Matrix44 product;
        MatMultiply(matrix, g_viewer.local[static_cast<size_t>(parent)], product);
        matrix = product;
        parent = g_viewer.objects[static_cast<size_t>(parent)].parent;
    }
    return matrix;
}

void PoseObjects(float frame) {
    for (size_t i = 0; i < g_viewer.objects.size(); ++i)
        g_viewer.local[i] = ItemPose(SCENE_ITEM_OBJECT, static_cast<int>(i), frame, g_viewer.objects[i].pivot);
    for (size_t i = 0; i < g_viewer.objects.size(); ++i)
        g_viewer.world[i] = UnderParents(g_viewer.local[i], g_viewer.objects[i].parent);
}

// The object view's lights, turned with the camera so the side in view is lit:
// a key light from above left, a weaker fill from the right.
void AddViewLights(const Matrix44& camera) {
    struct ViewLight {
        Vector3 direction;  // in camera axes
        float level;
    };
    static constexpr ViewLight kLights[] = {{{0.6f, -0.6f, 0.55f}, 0.85f}, {{-0.8f, 0.1f, 0.6f}, 0.35f}};
    for (const ViewLight& light : kLights) {
        Vector3 direction = light.direction;
        VecRotate(direction, camera);
        const Matrix44 placement = PlacementAlong(direction);
        const float rgb[3] = {light.level, light.level, light.level};
        r_AddLight(&placement, rgb, 0.0f, LIGHT_DISTANT, 0, 0);
    }
}

void AddSceneLights(float frame) {
    for (int l = 0; l < g_viewer.lights; ++l) {
        SceneLightInfo info{};
        r_GetLightInfo(l, frame, &info);
        const Matrix44 placement =
            Aimed(UnderParents(ItemPose(SCENE_ITEM_LIGHT, l, frame, Vector3{0, 0, 0}), r_GetLightAnimParent(l)),
                  SCENE_ITEM_LIGHT, l, frame);
        const float rgb[3] = {info.colour[0] * info.intensity, info.colour[1] * info.intensity,
                              info.colour[2] * info.intensity};
        const int type = info.type == SCENE_LIGHT_DISTANT ? LIGHT_DISTANT
                         : info.type == SCENE_LIGHT_SPOT  ? LIGHT_SPOT
                                                          : LIGHT_OMNI;
        const int added = r_AddLight(&placement, rgb, info.range > 0.0f ? info.range : kNoFalloffRange, type, 0, 0);
        if (added != -1 && type == LIGHT_SPOT) r_SetLightCone(added, info.coneAngle, info.edgeAngle);
    }
}

Matrix44 SceneCamera(float frame) {
    if (g_viewer.cameras == 0) return MatIdentity();
    const Matrix44 local = ItemPose(SCENE_ITEM_CAMERA, 0, frame, r_GetCamPivotPoint(0));
    Matrix44 camera = Aimed(UnderParents(local, r_GetCamAnimParent(0)), SCENE_ITEM_CAMERA, 0, frame);
    // The view takes the camera's place and direction, not its scale.
    for (int row = 0; row < 3; ++row) {
        Vector3 axis{camera.at(row, 0), camera.at(row, 1), camera.at(row, 2)};
        VecNormalize(axis);
        camera.at(row, 0) = axis.x;
        camera.at(row, 1) = axis.y;
        camera.at(row, 2) = axis.z;
    }
    return camera;
}

// Heading and pitch of a camera matrix as the walk camera keeps them: its z
// row is (-cos p sin h, sin p, cos p cos h).
void WalkFromCamera(const Matrix44& camera) {
    const float zx = camera.at(2, 0), zy = camera.at(2, 1), zz = camera.at(2, 2);
    g_app.walkAngles = Vector3{std::atan2(zy, std::sqrt(zx * zx + zz * zz)), std::atan2(-zx, zz), 0.0f};
    g_app.walkPosition = Vector3{camera.at(3, 0), camera.at(3, 1), camera.at(3, 2)};
}

void HandleKeys() {
    if (T7I_CheckKey(kKeyI) == 1) {
        g_viewer.overlay = !g_viewer.overlay;
        g_viewer.overlayToggled = true;
    }
    if (T7I_CheckKey(DIK_ESCAPE)) g_app.quit = true;
    if (T7I_CheckKey(DIK_F3) == 1) r_ScreenShot("ts", g_app.shotFormat, g_app.shotsPath, 0, r_ConsolePrintLine);
    if (T7I_CheckKey(DIK_F4) == 1) {
        g_viewer.walking = !g_viewer.walking;
        if (g_viewer.walking) WalkFromCamera(g_viewer.camera);
    }
    Playback& playback = g_viewer.playback;
    if (g_viewer.scene) {
        if (T7I_CheckKey(DIK_SPACE) == 1) playback.paused = !playback.paused;
        if (T7I_CheckKey(kKeyHome) == 1) RestartPlayback(playback);
        if (playback.paused && !g_viewer.walking) {
            if (T7I_CheckKey(DIK_RIGHT) == 1) StepPlayback(playback, 1);
            if (T7I_CheckKey(DIK_LEFT) == 1) StepPlayback(playback, -1);
        }
    }
}

void UpdateOrbit() {
    OrbitView& orbit = g_viewer.orbit;
    if (T7I_CheckKey(kKeyR) == 1) orbit = g_viewer.orbitStart;
    if (T7I_CheckMouseButton(0))
        OrbitTurn(orbit, static_cast<float>(T7I_CheckMouseAxis(0)), static_cast<float>(T7I_CheckMouseAxis(1)));
    float zoom = static_cast<float>(T7I_CheckMouseAxis(2)) / kWheelNotch;
    if (T7I_CheckKey(kKeyPageUp)) zoom += 0.25f;
    if (T7I_CheckKey(kKeyPageDown)) zoom -= 0.25f;
    if (zoom != 0.0f) OrbitZoom(orbit, zoom);
    // The walk keys move the point the view turns about, in steps that suit the object's size.
    Vector3 move = WalkMove();
    const float scale = orbit.distance * 0.02f / std::max(g_app.walkStep, 1e-6f);
    move = Vector3{move.x * scale, move.y * scale, move.z * scale};
    if (move.x != 0.0f || move.y != 0.0f || move.z != 0.0f) OrbitMove(orbit, move);
}

void UpdateWalk() {
    g_app.walkAngles.y += -static_cast<float>(T7I_CheckMouseAxis(0)) / 50.0f;
    g_app.walkAngles.x += -static_cast<float>(T7I_CheckMouseAxis(1)) / 50.0f;
    MoveWalkCamera(WalkMove());
}

void SetFrustumFor(float fieldOfView, float nearDistance, float farDistance) {
    g_viewer.fieldOfView = fieldOfView;
    r_SetFrustum(fieldOfView, 1.0f, nearDistance, farDistance, nullptr);
}

// Text with a dark outline, readable over any background.
void OutlinedText(const char* text, int x, int y) {
    static constexpr int kOffsets[][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}, {1, 1}};
    for (const auto& offset : kOffsets) r_SysPrint(text, x + offset[0], y + offset[1], 0x000000);
    r_SysPrint(text, x, y, 0xffffff);
}

void DrawOverlay() {
    if (!g_viewer.overlayToggled && g_viewer.opened.Elapsed() >= kOverlaySeconds) {
        // The start-up showing ends by itself.
        g_viewer.overlay = false;
        g_viewer.overlayToggled = true;
    }
    if (!g_viewer.overlay) return;
    char line[kPathSize];
    int y = 4;
    OutlinedText(g_viewer.title.c_str(), 6, y);
    if (g_viewer.scene) {
        std::snprintf(line, sizeof line, "frame %d / %d%s", static_cast<int>(std::floor(g_viewer.playback.frame)),
                      g_viewer.playback.last, g_viewer.playback.paused ? "  (paused)" : "");
        OutlinedText(line, 6, y += 16);
    }
    std::snprintf(line, sizeof line, "%d triangles", g_viewer.trianglesDrawn);
    OutlinedText(line, 6, y += 16);
    std::snprintf(line, sizeof line, "%.1f fps", static_cast<double>(g_app.fps));
    OutlinedText(line, 6, y += 16);
    if (g_viewer.walking) OutlinedText("walk (F4 returns)", 6, y += 16);
}

// Frames of the animation since the last frame: the scene's rate over the
// clock, exactly rate / fixed rate in deterministic runs.
float FramesSinceLast() {
    const uint32_t now = plat_Milliseconds();
    const uint32_t elapsed = now - g_viewer.lastMilliseconds;
    g_viewer.lastMilliseconds = now;
    const PlatOptions* options = plat_GetOptions();
    if (options != nullptr && options->fixedFps > 0)
        return g_viewer.playback.framesPerSecond / static_cast<float>(options->fixedFps);
    return static_cast<float>(elapsed) / 1000.0f * g_viewer.playback.framesPerSecond;
}

// The engine lights meshes only once a frame has been presented; the first
// frame of a run (a thumbnail may be all there is) is lit here.
void LightBeforeFirstFrame(int model, const Matrix44& world) {
    const int meshes = r_GetMeshesNum(model, nullptr);
    for (int m = 0; m < meshes; ++m) {
        CMesh* mesh = r_GetMeshPointer(model, m, nullptr);
        if (mesh != nullptr) r_LightMesh(mesh, &world, mesh->coloursA, mesh->coloursB, 0);
    }
}

void ViewerFrame() {
    HandleKeys();
    const float frame = g_viewer.playback.frame;
    if (g_viewer.scene) PoseObjects(frame);

    if (g_viewer.walking) {
        UpdateWalk();
        g_viewer.camera = g_app.view;
    } else if (g_viewer.scene) {
        g_viewer.camera = SceneCamera(frame);
    } else if (!g_viewer.objects.empty()) {
        UpdateOrbit();
        g_viewer.camera = OrbitMatrix(g_viewer.orbit);
    }

    if (g_viewer.scene) {
        const float zoomView = g_viewer.cameras > 0 ? r_GetCamFieldOfView(0, frame, FrameAspect())
                                                    : FieldOfViewOfZoom(3.2f, FrameAspect());
        SetFrustumFor(std::min(zoomView, kWidestFieldOfView), kSceneNear, kSceneFar);
    } else if (!g_viewer.objects.empty()) {
        const int model = g_viewer.objects[0].model;
        const float radius = std::max(r_GetModelRadius(model), 1e-4f);
        const float distance = std::max(g_viewer.orbit.distance, 1e-4f);
        const float nearDistance = std::max(distance - radius * 2.0f, std::max(distance, radius) * 0.01f);
        SetFrustumFor(kObjectFieldOfView, nearDistance, distance + radius * 4.0f + 100.0f * nearDistance);
    }

    r_KillAllLights();
    if (g_viewer.scene && g_viewer.lights > 0)
        AddSceneLights(frame);
    else
        AddViewLights(g_viewer.camera);

    r_ClearScreen(g_viewer.background, nullptr);
    r_ClearZBuffer(1.0f, nullptr);
    r_SetCamMatrix(&g_viewer.camera);
    g_viewer.trianglesDrawn = 0;
    for (size_t i = 0; i < g_viewer.objects.size(); ++i) {
        ViewerObject& object = g_viewer.objects[i];
        if (object.model == -1 || !object.visible) continue;
        if (g_viewer.scene) {
            const float dissolve = r_GetAnimObjectDissolve(static_cast<int>(i), frame);
            if (dissolve >= 0.999f) continue;
            ApplyDissolve(object, dissolve);
        }
        const Matrix44 world = g_viewer.scene ? g_viewer.world[i] : MatIdentity();
        if (!g_viewer.presented) LightBeforeFirstFrame(object.model, world);
        r_DrawCMeshData(object.model, world, 0);
        g_viewer.trianglesDrawn += object.triangles;
    }
    r_FlushAlphaMeshes();
    DrawOverlay();
    r_SwapBuffers(0);
    g_viewer.presented = true;
    if (g_viewer.scene) AdvancePlayback(g_viewer.playback, FramesSinceLast());
}

// The engine up without the demo's data, with the viewer's folders and settings.
bool StartViewerEngine() {
    if (!StartEngine()) return false;
    char base[kPathSize] = {};
    plat_GetCurrentDirectory(base, sizeof base - 1);
    std::snprintf(g_app.shotsPath, sizeof g_app.shotsPath, "%s", base);
    std::snprintf(g_app.scenesPath, sizeof g_app.scenesPath, "%s", base);
    char bilinear[] = "BILINEAR";
    RunCommand(bilinear);
    T7I_Init(nullptr, g_app.window);
    return true;
}

}  // namespace

InputFileKind ClassifyInputFile(const char* path) {
    struct stat info {};
    if (path == nullptr || stat(path, &info) != 0) return InputFileKind::Missing;
    if (S_ISDIR(info.st_mode)) return InputFileKind::Folder;
    const std::string text = path;
    if (EndsWithNoCase(text, ".lws")) return InputFileKind::Scene;
    if (EndsWithNoCase(text, ".lwo")) return InputFileKind::Object;
    return InputFileKind::Other;
}

bool ViewerActive() { return g_viewer.active; }

bool ViewerLoadFromConsole(const char* given) {
    if (given == nullptr) return false;
    // The console hands its line over upper-cased: the file is found without regard to case.
    char path[kPathSize];
    if (!plat_ResolvePath(given, path, sizeof path)) std::snprintf(path, sizeof path, "%s", given);
    r_ConsolePrintLine(path);
    const uint32_t start = plat_Milliseconds();
    const InputFileKind kind = ClassifyInputFile(path);
    bool loaded = false;
    if (kind == InputFileKind::Scene || kind == InputFileKind::Object) {
        // Loading lets go of what is shown first (the scene library holds one
        // scene): when nothing of the new file can be shown, the file shown
        // before is opened again, so a failed LOAD loses nothing.
        const std::string shown = g_viewer.file;
        loaded = LoadFile(path, kind);
        if (!loaded && !shown.empty()) LoadFile(shown, ClassifyInputFile(shown.c_str()));
    } else {
        Report(std::string(path) +
               (kind == InputFileKind::Missing ? " not found" : " is neither a scene (.lws) nor an object (.lwo)"));
    }
    char line[kPathSize + 64];
    if (loaded)
        std::snprintf(line, sizeof line, "Loaded : %s (%f sec.)", given,
                      static_cast<double>(plat_Milliseconds() - start) / 1000.0);
    else
        std::snprintf(line, sizeof line, "Failed to Load : %s", given);
    r_ConsolePrintLine(line);
    return loaded;
}

int RunViewer(const char* file, InputFileKind kind) {
    g_viewer = ViewerState{};
    g_app.musicOn = false;
    if (!StartViewerEngine()) return 1;
    g_viewer.active = true;
    int code = 0;
    if (!LoadFile(file, kind)) {
        code = 2;
    } else {
        // With a display the overlay greets the file; headless frames are pictures of the content alone.
        g_viewer.overlay = !plat_IsHeadless();
        code = RunLoop([] { FramePass(ViewerFrame); });
    }
    ReleaseContent();
    g_viewer.active = false;
    ShutDown();
    return code;
}
