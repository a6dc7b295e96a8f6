#include "app/launcher_options.h"

#include <strings.h>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

LaunchOptions g_runOptions;  // the run's one set of options (RunOptions)

// A whole decimal number in [low, high].
bool ReadNumber(const char* text, long low, long high, long& value) {
    if (!text || !*text) return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || v < low || v > high) return false;
    value = v;
    return true;
}

bool EndsWithNoCase(const char* text, const char* end) {
    const size_t n = std::strlen(text), m = std::strlen(end);
    return n > m && strcasecmp(text + n - m, end) == 0;
}

// WIDTHxHEIGHT or WIDTHxHEIGHTxBITS within the accepted sizes, 16 or 32 bits
// (16 when not given).
bool ReadMode(const char* text, int& width, int& height, int& bits) {
    long w = 0, h = 0, b = 16;
    char* end = nullptr;
    errno = 0;
    w = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || (*end != 'x' && *end != 'X')) return false;
    const char* p = end + 1;
    h = std::strtol(p, &end, 10);
    if (errno != 0 || end == p) return false;
    if (*end == 'x' || *end == 'X') {
        p = end + 1;
        b = std::strtol(p, &end, 10);
        if (errno != 0 || end == p) return false;
    }
    if (*end != '\0') return false;
    if (w < kMinModeWidth || w > kMaxModeWidth || h < kMinModeHeight || h > kMaxModeHeight) return false;
    if (b != 16 && b != 32) return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    bits = static_cast<int>(b);
    return true;
}

}  // namespace

const char* LaunchUsage() {
    return "Usage: tessaly [options] FILE\n"
           "       tessaly [options]\n"
           "FILE is a LightWave scene (.lws) or object (.lwo): a scene plays through its own camera and\n"
           "lights, looping over its frame range; an object is framed in view and turns under the mouse.\n"
           "FILE may also be a folder laid out like the demo. Without FILE the program plays the demo found\n"
           "in the current directory (maps/, meshes/, images/, music/, scenes/, shots/); the demo ends by\n"
           "itself after the end title. Without a display the run is headless (640x480x16, drawn off\n"
           "screen). tessaly-make-demo DIR writes the default demo.\n"
           "\n"
           "Options (paths are taken from the folder the program is started in):\n"
           "  --content DIR      where the paths a scene names start (default: the nearest folder at or\n"
           "                     above the scene's from which they exist)\n"
           "  --data DIR         work in DIR instead of the current directory\n"
           "  --headless         no window and no audio device; input from --script or none\n"
           "  --window           run in an ordinary window instead of full screen: at the mode's size to\n"
           "                     start, resizable, the picture scaled to fit with its aspect kept\n"
           "  --mode WxH[xBITS]  frame size W x H (320x200 to 3840x2160) at 16 or 32 bits (16 when not\n"
           "                     given); default 640x480x16\n"
           "  --mode desktop     the display's own size at 32 bits\n"
           "  --threads N        drawing threads of the software rasterizer (1 to 64; default: one per\n"
           "                     core); the picture is the same for every N\n"
           "  --fixed-fps N      deterministic clock: every presented frame is 1/N second, waits take\n"
           "                     no time (N from 1 to 1000)\n"
           "  --capture DIR      write every presented frame to DIR as numbered TGA files\n"
           "  --shot-format F    file type of screenshots and captured frames: tga (default) or png\n"
           "  --frames N         end normally after N presented frames\n"
           "  --script FILE      scripted input, one event a line: FRAME key NAME down|up, FRAME type TEXT,\n"
           "                     FRAME mouse DX DY [DZ], FRAME button 0-3 down|up, # comment (see tessaly(6))\n"
           "  --audio-out FILE   mix the music into FILE (a WAV file) instead of a device\n"
           "  --video FILE       record the run with its music into FILE (.mkv Matroska or .mp4 MP4;\n"
           "                     H.264 and AAC); needs --fixed-fps, which is the video's frame rate\n"
           "  --video-quality N  H.264 constant rate factor for --video, 0 (best) to 51; default 23\n"
           "  --progress         print progress lines, save a screenshot to shots/ one second into\n"
           "                     every scene and at the end, and print a summary of the run\n"

           "  --help, -h         this text\n"
           "  --version          the program's version\n"
           "\n"
           "Keys with FILE:\n"
           "  Space              pause or play the scene; Left, Right step a frame while paused\n"
           "  Home               back to the scene's first frame\n"
           "  mouse drag, wheel  turn about the object, zoom (Page Up, Page Down zoom too)\n"
           "  R                  the object's first view again\n"
           "  I                  show or hide the file name, frame, triangles and frame rate\n"
           "  F4                 walk from the current view (the keys below); F4 again returns\n"
           "\n"
           "Keys:\n"
           "  F4                 leave the demo for walk mode; in walk mode, restart the demo\n"
           "  Up, Down           walk forward, backward\n"
           "  Left, Right        step sideways\n"
           "  A, Z               move up, down\n"
           "  mouse              turn\n"
           "  F1, F2             first, second scene\n"
           "  F3                 screenshot into shots/ (ts000.tga, ts001.tga, ... or .png)\n"
           "  grave (`)          show or hide the console (right Alt with it types a backslash)\n"
           "  Escape             quit (not while the console is shown)\n"
           "  F10                quit at once\n"
           "\n"
           "Console (Enter runs a line, Up and Down recall earlier ones, Page Up and Page Down scroll\n"
           "through the last 256 lines; case does not matter):\n"
           "  QUIT, EXIT  HELP  ABOUT  RESET  SETANIMFPS n  DIR  DIRMAPS  DIRSCENES  CURRENTPATHS\n"
           "  SETMESHPATH p  SETMAPPATH p  SETSHOTSPATH p  SETSCENESPATH p  SETIMAGESPATH p\n"
           "  SETAMBIENT r g b  STEP n  STEPANIM n  FPS  BILINEAR  DITHER  ANTIALIAS  POINT  WIRE  SOLID\n"
           "  SURFINFO  TEXTURESNUM  TEXTUREDATA n  LOAD scene  CONSOLEBACKGROUND image  SHOTFORMAT tga|png\n"
           "See tessaly(6) for what each does.\n";
}

LaunchOptions& RunOptions() { return g_runOptions; }
const LaunchOptions& RunLaunchOptions() { return g_runOptions; }

std::string PathFromFolder(const char* base, const char* path) {
    if (!path || !*path) return path ? path : "";
    if (path[0] == '/' || !base || !*base) return path;
    return std::string(base) + path;
}

LaunchAction ParseLaunchOptions(int argc, char** argv, LaunchOptions& options, char* error, size_t errorSize) {
    options = LaunchOptions{};
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto needValue = [&]() {
            if (value) return true;
            std::snprintf(error, errorSize, "option %s needs a value", arg);
            return false;
        };
        long number = 0;
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) return LaunchAction::Help;
        if (std::strcmp(arg, "--version") == 0) return LaunchAction::Version;
        if (std::strcmp(arg, "--headless") == 0) {
            options.platform.headless = 1;
        } else if (std::strcmp(arg, "--progress") == 0) {
            options.progress = true;
        } else if (std::strcmp(arg, "--window") == 0) {
            options.platform.windowed = 1;
        } else if (std::strcmp(arg, "--data") == 0) {
            if (!needValue()) return LaunchAction::Error;
            options.dataDir = value;
            ++i;
        } else if (std::strcmp(arg, "--content") == 0) {
            if (!needValue()) return LaunchAction::Error;
            options.contentDir = value;
            ++i;
        } else if (std::strcmp(arg, "--capture") == 0) {
            if (!needValue()) return LaunchAction::Error;
            options.platform.captureDir = value;
            ++i;
        } else if (std::strcmp(arg, "--shot-format") == 0) {
            if (!needValue()) return LaunchAction::Error;
            if (std::strcmp(value, "tga") != 0 && std::strcmp(value, "png") != 0) {
                std::snprintf(error, errorSize, "--shot-format wants tga or png, not '%s'", value);
                return LaunchAction::Error;
            }
            options.shotFormat = value;
            ++i;
        } else if (std::strcmp(arg, "--script") == 0) {
            if (!needValue()) return LaunchAction::Error;
            options.platform.scriptPath = value;
            ++i;
        } else if (std::strcmp(arg, "--audio-out") == 0) {
            if (!needValue()) return LaunchAction::Error;
            options.platform.audioOut = value;
            ++i;
        } else if (std::strcmp(arg, "--video") == 0) {
            if (!needValue()) return LaunchAction::Error;
            if (!EndsWithNoCase(value, ".mkv") && !EndsWithNoCase(value, ".mp4")) {
                std::snprintf(error, errorSize, "--video wants a file name ending in .mkv or .mp4, not '%s'", value);
                return LaunchAction::Error;
            }
            options.videoPath = value;
            ++i;
        } else if (std::strcmp(arg, "--video-quality") == 0) {
            if (!needValue()) return LaunchAction::Error;
            if (!ReadNumber(value, 0, 51, number)) {
                std::snprintf(error, errorSize, "--video-quality wants a whole number from 0 to 51, not '%s'", value);
                return LaunchAction::Error;
            }
            options.videoQuality = static_cast<int>(number);
            ++i;
        } else if (std::strcmp(arg, "--fixed-fps") == 0) {
            if (!needValue()) return LaunchAction::Error;
            if (!ReadNumber(value, 1, 1000, number)) {
                std::snprintf(error, errorSize, "--fixed-fps wants a whole number from 1 to 1000, not '%s'", value);
                return LaunchAction::Error;
            }
            options.platform.fixedFps = static_cast<int>(number);
            ++i;
        } else if (std::strcmp(arg, "--threads") == 0) {
            if (!needValue()) return LaunchAction::Error;
            if (!ReadNumber(value, 1, kMaxThreads, number)) {
                std::snprintf(error, errorSize, "--threads wants a whole number from 1 to %d, not '%s'", kMaxThreads,
                              value);
                return LaunchAction::Error;
            }
            options.platform.threads = static_cast<int>(number);
            ++i;
        } else if (std::strcmp(arg, "--mode") == 0) {
            if (!needValue()) return LaunchAction::Error;
            options.desktopMode = false;
            options.platform.modeWidth = options.platform.modeHeight = options.platform.modeBits = 0;
            if (std::strcmp(value, "desktop") == 0) {
                options.desktopMode = true;
            } else if (!ReadMode(value, options.platform.modeWidth, options.platform.modeHeight,
                                 options.platform.modeBits)) {
                std::snprintf(error, errorSize,
                              "--mode wants WIDTHxHEIGHT or WIDTHxHEIGHTxBITS (%dx%d to %dx%d, 16 or 32 bits) or "
                              "desktop, not '%s'",
                              kMinModeWidth, kMinModeHeight, kMaxModeWidth, kMaxModeHeight, value);
                return LaunchAction::Error;
            }
            ++i;
        } else if (std::strcmp(arg, "--frames") == 0) {
            if (!needValue()) return LaunchAction::Error;
            if (!ReadNumber(value, 1, LONG_MAX, number)) {
                std::snprintf(error, errorSize, "--frames wants a positive whole number, not '%s'", value);
                return LaunchAction::Error;
            }
            options.platform.maxFrames = number;
            ++i;
        } else if (arg[0] != '-' && options.file == nullptr) {
            options.file = arg;
        } else if (arg[0] != '-') {
            std::snprintf(error, errorSize, "one FILE only, not also '%s'", arg);
            return LaunchAction::Error;
        } else {
            std::snprintf(error, errorSize, "unknown option '%s'", arg);
            return LaunchAction::Error;
        }
    }
    if (options.videoPath && options.platform.fixedFps <= 0) {
        std::snprintf(error, errorSize, "--video needs --fixed-fps N (the video's frame rate)");
        return LaunchAction::Error;
    }
    if (options.videoQuality >= 0 && !options.videoPath) {
        std::snprintf(error, errorSize, "--video-quality goes with --video");
        return LaunchAction::Error;
    }
    return LaunchAction::Run;
}
