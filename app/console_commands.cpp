// Console commands: matching, argument scanning and the work and reply of
// every command. Replies are formatted into the program's message buffer and
// printed on the engine console.
#include "app/console_commands.h"

#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/scene_slots.h"
#include "app/viewer.h"
#include "common/file_buffer.h"
#include "common/vecmath.h"
#include "platform/platform.h"
#include "tessaly/engine_api.h"
#include "tessaly/raster_interface.h"

namespace {

constexpr size_t kLineCopySize = 1024;
// A text argument must start at or before this position of the line copy.
constexpr int kArgumentScanLimit = 256;
// Largest animation rate (scene frames a second) and walk step (scene units a
// frame, the far plane's distance) the console accepts.
constexpr float kMaxAnimRate = 1000.0f;
constexpr float kMaxWalkStep = 1000.0f;

// The upper-cased command line that keywords and arguments are read from.
char g_lineCopy[kLineCopySize];

void Print(const char* text) { r_ConsolePrintLine(text); }

void Reply(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Reply(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(g_app.message, sizeof g_app.message, format, args);
    va_end(args);
    Print(g_app.message);
}

// The text argument after a keyword of the given length: it starts at the
// first character of code 33 or more and runs to the end of the line. Null
// when the line ends, or position kArgumentScanLimit is passed, before one.
const char* TextArgument(int keywordLength) {
    for (int i = keywordLength; i <= kArgumentScanLimit && g_lineCopy[i] != '\0'; ++i)
        if (static_cast<unsigned char>(g_lineCopy[i]) >= 33) return g_lineCopy + i;
    return nullptr;
}

bool HoldsDigit(const char* text, int length) {
    for (int i = 0; i < length; ++i)
        if (std::isdigit(static_cast<unsigned char>(text[i]))) return true;
    return false;
}

// The next number of text; text moves past it. False when no number is left.
bool NextFloat(const char*& text, float& value) {
    int used = 0;
    const double parsed = FileBuffer::ParseFloat(text, used);
    const bool found = HoldsDigit(text, used);
    text += used;
    if (found) value = static_cast<float>(parsed);
    return found;
}

bool NextInt(const char*& text, int& value) {
    int used = 0;
    const int parsed = FileBuffer::ParseInt(text, used);
    const bool found = HoldsDigit(text, used);
    text += used;
    if (found) value = parsed;
    return found;
}

// ---------------------------------------------------------------- settings

void Quit(int) { g_app.quit = true; }

void SetAnimFps(int n) {
    const char* text = g_lineCopy + n;
    float rate = 0.0f;
    // Scene time runs at this many frames a second: it must move forward, and
    // faster than kMaxAnimRate skips whole scenes between two frames.
    if (!NextFloat(text, rate) || !std::isfinite(rate) || rate <= 0.0f || rate > kMaxAnimRate)
        return Print("Usage : SETANIMFPS n");
    g_app.animRate = rate;
    Reply("Anim FPS set to %f", static_cast<double>(rate));
}

void Reset(int) {
    g_app.view = MatIdentity();
    MatTranslate(g_app.view, Vector3{0.0f, 0.0f, -10.0f}, true);
    Print("Program Reset");
}

void SetAmbient(int n) {
    const char* text = g_lineCopy + n;
    float rgb[3] = {};
    for (float& channel : rgb)
        if (!NextFloat(text, channel) || !std::isfinite(channel) || channel < 0.0f)
            return Print("Usage : SETAMBIENT r g b");
    for (int i = 0; i < 3; ++i) g_app.ambient[i] = rgb[i];
    r_SetAmbient(rgb[0], rgb[1], rgb[2]);
    // The lights of the fourth slot are set up when the demo reaches it.
    for (int slot = 0; slot < 3; ++slot) RelightSlot(slot);
    Reply("Ambient set to %4.3f R ,%4.3f G ,%4.3f B", static_cast<double>(rgb[0]), static_cast<double>(rgb[1]),
          static_cast<double>(rgb[2]));
}

void StepAnim(int n) {
    const char* text = g_lineCopy + n;
    int step = 0;
    if (!NextInt(text, step)) return Print("Usage : STEPANIM n");
    g_app.animStep = step;
    Reply("Animation Step set to %d", step);
}

void Step(int n) {
    const char* text = g_lineCopy + n;
    float step = 0.0f;
    // The distance walked per frame: a negative one turns the keys round, and
    // one beyond the far plane leaves everything behind in a single frame.
    if (!NextFloat(text, step) || !std::isfinite(step) || step < 0.0f || step > kMaxWalkStep)
        return Print("Usage : STEP n");
    g_app.walkStep = step;
    Reply("Step set to %4.3f", static_cast<double>(step));
}

void ToggleFps(int) {
    g_app.fpsCounter = !g_app.fpsCounter;
    Print(g_app.fpsCounter ? "FPS Counter On" : "FPS Counter Off");
}

// A render-state toggle: flips the setting, tells the back-end and answers.
void Toggle(bool& flag, int renderState, const char* onText, const char* offText) {
    flag = !flag;
    r_SetRenderState(renderState, flag ? 1 : 0);
    Print(flag ? onText : offText);
}

void ToggleBilinear(int) { Toggle(g_app.bilinear, RS_BILINEAR, "Bilinear Filter On", "Bilinear Filter Off"); }
void ToggleDither(int) { Toggle(g_app.dither, RS_DITHER, "Dithering enabled", "Dithering disabled"); }
void ToggleAntialias(int) { Toggle(g_app.antialias, RS_ANTIALIAS, "Antialiasing enabled", "Antialiasing disabled"); }

void FillPoints(int) {
    r_SetRenderState(RS_FILLMODE, FILL_POINTS);
    g_app.clearBackground = true;
    Print("Fillmode set to points");
}

void FillWire(int) {
    r_SetRenderState(RS_FILLMODE, FILL_WIREFRAME);
    g_app.clearBackground = true;
    Print("Fillmode set to wireframe");
}

void FillSolid(int) {
    r_SetRenderState(RS_FILLMODE, FILL_SOLID);
    g_app.clearBackground = false;
    Print("Fillmode set to Solid");
}

// ---------------------------------------------------------------- paths

void CurrentPaths(int) {
    Reply("Meshes : %s", g_app.meshesPath);
    Reply("Maps   : %s", g_app.mapsPath);
    Reply("Shots  : %s", g_app.shotsPath);
    Reply("Scenes  : %s", g_app.scenesPath);
    Reply("Images  : %s", g_app.imagesPath);
}

// Stores the argument as a directory (with '/' appended when it lacks one).
void SetPath(int n, char (&path)[kPathSize], const char* keyword, const char* replyFormat) {
    const char* argument = TextArgument(n);
    if (!argument) return Reply("Usage : %s path", keyword);
    const size_t length = std::strlen(argument);
    const char* separator = argument[length - 1] == '/' ? "" : "/";
    // A path that does not fit is refused rather than stored cut short.
    char stored[kPathSize];
    const int written = std::snprintf(stored, sizeof stored, "%s%s", argument, separator);
    if (written < 0 || static_cast<size_t>(written) >= sizeof stored) return Reply("Usage : %s path", keyword);
    std::memcpy(path, stored, sizeof stored);
    Reply(replyFormat, argument);
}

void SetMeshPath(int n) { SetPath(n, g_app.meshesPath, "SETMESHPATH", "New Meshes Path : %s"); }
void SetMapPath(int n) { SetPath(n, g_app.mapsPath, "SETMAPPATH", "New Maps Path : %s"); }
void SetShotsPath(int n) { SetPath(n, g_app.shotsPath, "SETSHOTSPATH", "New Shots Path : %s"); }
void SetScenesPath(int n) { SetPath(n, g_app.scenesPath, "SETSCENESPATH", "New Scenes Path : %s"); }
void SetImagesPath(int n) { SetPath(n, g_app.imagesPath, "SETIMAGESPATH", "New Images Path : %s"); }

void ShotFormat(int n) {
    const char* argument = TextArgument(n);
    if (!argument || !SetShotFormat(argument)) return Print("Usage : SHOTFORMAT TGA|PNG");
    Reply("Screenshots and captured frames saved as %s", argument);
}

// Lists every entry of a directory in search order; skipDirectories leaves out
// entries that are exactly directories.
void ListDirectory(const char* path, const char* headerFormat, const char* noneText, bool skipDirectories) {
    Reply(headerFormat, path);
    char pattern[kPathSize + 8];
    std::snprintf(pattern, sizeof pattern, "%s*.*", path);
    PlatFindData found{};
    const intptr_t search = plat_FindFirst(pattern, &found);
    if (search == -1) return Print(noneText);
    do {
        if (!(skipDirectories && found.attrib == PLAT_ATTRIB_DIRECTORY)) Print(found.name);
    } while (plat_FindNext(search, &found) == 0);
    plat_FindClose(search);
}

void DirMaps(int) {
    ListDirectory(g_app.mapsPath, "%s Maps List_____________________________", "No Maps Found.", true);
}
void DirScenes(int) {
    ListDirectory(g_app.scenesPath, "%s Scenes List_____________________________", "No Scenes Found.", true);
}
void DirMeshes(int) {
    ListDirectory(g_app.meshesPath, "%s Object List___________________________", "No Objects Found.", false);
}

// ---------------------------------------------------------------- models and textures

// The engine answers null for a texture handle that holds nothing.
const char* TextureName(int texture) {
    const char* name = r_GetTextureName(texture);
    return name ? name : "";
}

void SurfaceInfo(int) {
    const int surfaces = r_GetSurfNum(0);
    Reply("Number of Surfaces : %d", surfaces);
    for (int s = 0; s < surfaces; ++s) {
        const char* name = r_GetSurfName(0, s);
        Reply("Surface %d (%s) :", s, name ? name : "");
        const int textures = r_GetSurfTexturesNum(0, s);
        Reply("  Number of Textures : %d", textures);
        for (int k = 0; k < textures; ++k) {
            const int t = r_GetSurfTextureIdx(0, s, k);
            int x = 0, y = 0, z = 0;
            r_GetTextureData(t, &x, &y, &z);
            Reply("  Texture %d : %s , %dx%dx%d.", k, TextureName(t), x, y, z);
        }
    }
}

void TexturesNum(int) { Reply("Textures Loaded = %d", r_GetTexturesNum()); }

void TextureData(int n) {
    const char* text = g_lineCopy + n;
    int t = 0;
    if (!NextInt(text, t)) return Print("Usage : TEXTUREDATA n");
    int x = 0, y = 0, z = 0;
    r_GetTextureData(t, &x, &y, &z);
    Reply("  Texture %d : %s , %dx%dx%d.", t, TextureName(t), x, y, z);
}

// ---------------------------------------------------------------- scenes and pictures

// The scene file LOAD means: a path to a scene file anywhere when the
// argument names a folder or ends in .lws, else a name in the scenes folder.
int ScenePathOf(const char* name, char* path, size_t size) {
    const size_t length = std::strlen(name);
    const bool isPath =
        std::strchr(name, '/') != nullptr || (length > 4 && std::strcmp(name + length - 4, ".LWS") == 0);
    if (isPath) return std::snprintf(path, size, "%s", name);
    return std::snprintf(path, size, "%s%s.lws", g_app.scenesPath, name);
}

// Loads a scene into slot 0 and lights it with its own model lights. A scene
// file that cannot be found or read as a scene leaves every slot and setting
// as it was; objects of a loaded scene that could not be read are named.
void LoadSceneCommand(int n) {
    const char* name = TextArgument(n);
    if (!name) return Print("Usage : LOAD name");
    // The viewer opens the file in place of the one it shows.
    if (ViewerActive()) {
        ViewerLoadFromConsole(name);
        return;
    }

    const uint32_t start = plat_Milliseconds();
    char path[kPathSize];
    const int written = ScenePathOf(name, path, sizeof path);
    const bool fits = written >= 0 && static_cast<size_t>(written) < sizeof path;
    Print(path);
    char resolved[kPathSize];
    if (!fits || !plat_ResolvePath(path, resolved, sizeof resolved)) return Reply("Failed to Load : %s", name);

    std::vector<std::string> unread;
    std::string damage;
    if (!LoadScene(path, 0, &unread, &damage)) return Reply("Failed to Load : %s", name);
    g_app.slotIndex = 0;
    r_KillAllLights();
    const SceneSlot& slot = g_slots[0];
    for (int i = 0; i < slot.ObjectCount(); ++i) {
        const Matrix44 pose = FirstKeyPose(slot.objects[static_cast<size_t>(i)]);
        r_AddModelLights(slot.modelHandles[static_cast<size_t>(i)], &pose, 0);
    }
    g_app.scenesLoaded = true;
    // The time covers loading and the lights, not the pre-illumination.
    const double seconds = static_cast<double>(plat_Milliseconds() - start) / 1000.0;
    char loaded[kPathSize];
    std::snprintf(loaded, sizeof loaded, "Loaded : %s (%f sec.)", name, seconds);
    RelightSlot(0);
    Print(loaded);
    if (!damage.empty()) Reply("Damaged scene : %s", damage.c_str());
    for (const std::string& object : unread) Reply("Object not loaded : %s", object.c_str());
}

void ConsoleBackground(int n) {
    const char* name = TextArgument(n);
    if (!name) return Print("Usage : CONSOLEBACKGROUND name");
    if (r_LoadImage(0, name, g_app.imagesPath, 0, nullptr) == 0) {
        std::snprintf(g_app.consoleBackground, sizeof g_app.consoleBackground, "%s", name);
        Reply("Console Background set to : %s", name);
    } else {
        g_app.consoleBackground[0] = '\0';
        Reply("Failed to Set Console Background to : %s", name);
    }
}

// ---------------------------------------------------------------- help and about

constexpr const char* kHelpLines[] = {
    " ",
    "Zorvath Tessaly Commands__________________________",
    "QUIT , EXIT - Exits Program",
    "CURRENTPATHS - Show Program Paths",
    "CURRENTS - Show Curent Settings",
    "SETMESHPATH [string] - Set Path to Meshes to [string]",
    "SETMAPPATH  [string] - Set Path to Maps to [string]",
    "SETSHOTSPATH[string] - Set Path to Screenshots to [string]",
    "SETSCENESPATH[string] - Set Path to Scenes to [string]",
    "SETIMAGESPATH[string] - Set Path to Images to [string]",
    "SHOTFORMAT TGA|PNG - Save Screenshots and Captured Frames as TGA or PNG",
    "SETAMBIENT r,g,b - Sets ambient light to r,g,b",
    "BILINEAR - Enables/Disables Texture Filtering",
    "BACKGROUND [string] - Sets Image [string] as Background",
    "CONSOLEBACKGROUND [string] - Sets Image [string] as Console Background",
    "PROGRAMFONT [string] - Sets Program Font to [string]",
    "CONSOLEFONT [string] - Sets Console Font to [string]",
    "STEP n - Sets Movement step to n (float)",
    "STEPANIM n - Sets Animation step to n (int)",
    "LOAD  [string] - Loads Lwo File [string]",
    "LOADANIM  [string] - Loads Model Sequence [string]*",
    "SURFINFO - List All Surfaces And Its Textures",
    "LOGON - Activates Console Log File",
    "LOGOFF - Deactivates Console Log File",
    "TEXTURESNUM - Shows Number of loaded textures",
    "TEXTUREDATA n - Shows data of texture n",
    "DIR - List all Files in Meshes Directory",
    "DIRMAPS - List all Files in Maps Directory",
    "DIRSCENES - List all Files in Scenes Directory",
    "AUTOCENTER - Centers Object",
    "RS - Sets Solid Rendering",
    "RW - Sets Wireframe Rendering",
    "RD - Sets Dot Rendering",
    "SF - Sets Flat Shading",
    "SG - Sets Gouraud Shading",
    "RESET - Resets Program",
    "ABOUT - About This Program",
    " ",
    "Notes____________________________________________________",
    "- PROGRAMFONT and CONSOLEFONT can be called without",
    "  [string] to use the system font.",
    "- LOAD takes a scene name: LOAD main loads main.lws from the scenes path.",
};

constexpr const char* kAboutLines[] = {
    "",
    "About Zorvath Tessaly______________________________",
    "Zorvath is :",
    "  The Tessaly developers",
    "  (engine, software rasterizer, plug-ins,",
    "   application, console and demo content)",
    "",
    "To contact us mail us to :",
    "  no mail address - please use the project's issue tracker",
    "",
};

void Help(int) {
    for (const char* line : kHelpLines) Print(line);
}

void About(int) {
    for (const char* line : kAboutLines) Print(line);
}

// ---------------------------------------------------------------- matching

struct Command {
    const char* keyword;
    void (*run)(int keywordLength);
};

// Matching order: the first keyword the line starts with wins, so longer
// keywords come before their prefixes (STEPANIM before STEP, DIRMAPS before DIR).
constexpr Command kCommands[] = {
    {"QUIT", Quit},
    {"EXIT", Quit},
    {"SETANIMFPS", SetAnimFps},
    {"HELP", Help},
    {"ABOUT", About},
    {"RESET", Reset},
    {"DIRMAPS", DirMaps},
    {"DIRSCENES", DirScenes},
    {"DIR", DirMeshes},
    {"CURRENTPATHS", CurrentPaths},
    {"SETMESHPATH", SetMeshPath},
    {"SETMAPPATH", SetMapPath},
    {"SETSHOTSPATH", SetShotsPath},
    {"SETSCENESPATH", SetScenesPath},
    {"SETIMAGESPATH", SetImagesPath},
    {"SHOTFORMAT", ShotFormat},
    {"SETAMBIENT", SetAmbient},
    {"STEPANIM", StepAnim},
    {"STEP", Step},
    {"FPS", ToggleFps},
    {"BILINEAR", ToggleBilinear},
    {"DITHER", ToggleDither},
    {"ANTIALIAS", ToggleAntialias},
    {"POINT", FillPoints},
    {"WIRE", FillWire},
    {"SOLID", FillSolid},
    {"SURFINFO", SurfaceInfo},
    {"TEXTURESNUM", TexturesNum},
    {"TEXTUREDATA", TextureData},
    {"LOAD", LoadSceneCommand},
    {"CONSOLEBACKGROUND", ConsoleBackground},
};

}  // namespace

void RunConsoleCommand(char* line) {
    if (!line || line[0] == '\0') return;
    for (char* c = line; *c; ++c) *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
    std::memset(g_lineCopy, 0, sizeof g_lineCopy);
    std::snprintf(g_lineCopy, sizeof g_lineCopy, "%s", line);

    const Command* match = nullptr;
    for (const Command& command : kCommands) {
        if (std::strncmp(g_lineCopy, command.keyword, std::strlen(command.keyword)) == 0) {
            match = &command;
            break;
        }
    }
    if (match)
        match->run(static_cast<int>(std::strlen(match->keyword)));
    else
        Print("Unknown Command!");
    r_ConsoleCommandAccepted();
}
