#include "app/launcher_options.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

LaunchOptions g_runOptions;

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

}  // namespace

const char* LaunchUsage() {
    return "Usage: tessaly [options]\n"
           "Plays the demo found in the current directory (maps/, meshes/, images/, music/, scenes/, shots/);\n"
           "the demo ends by itself after the end title. Without a display the run is headless (640x480x16,\n"
           "drawn off screen). tessaly-make-demo DIR writes the default demo.\n"
           "\n"
           "Options (paths are taken from the folder the program is started in):\n"
           "  --data DIR         work in DIR instead of the current directory\n"
           "  --headless         no window and no audio device; input from --script or none\n"
           "  --window           run in an ordinary window instead of full screen: 640x480 to start,\n"
           "                     resizable, the picture scaled to fit with its aspect kept\n"
           "  --fixed-fps N      deterministic clock: every presented frame is 1/N second, waits take\n"
           "                     no time (N from 1 to 1000)\n"
           "  --capture DIR      write every presented frame to DIR as numbered TGA files\n"
           "  --frames N         end normally after N presented frames\n"
           "  --script FILE      scripted input, one event a line: FRAME key NAME down|up, FRAME type TEXT,\n"
           "                     FRAME mouse DX DY [DZ], FRAME button 0-3 down|up, # comment (see tessaly(6))\n"
           "  --audio-out FILE   mix the music into FILE (a WAV file) instead of a device\n"
           "  --progress         print progress lines, save a screenshot to shots/ one second into\n"
           "                     every scene and at the end, and print a summary of the run\n"
           "  --help, -h         this text\n"
           "  --version          the program's version\n"
           "\n"
           "Keys:\n"
           "  F4                 leave the demo for walk mode; in walk mode, restart the demo\n"
           "  Up, Down           walk forward, backward\n"
           "  Left, Right        step sideways\n"
           "  A, Z               move up, down\n"
           "  mouse              turn\n"
           "  F1, F2             first, second scene\n"
           "  F3                 screenshot into shots/ (ts000.tga, ts001.tga, ...)\n"
           "  grave (`)          show or hide the console (right Alt with it types a backslash)\n"
           "  Escape             quit (not while the console is shown)\n"
           "  F10                quit at once\n"
           "\n"
           "Console (Enter runs a line, Up and Down recall earlier ones, Page Up and Page Down scroll\n"
           "through the last 256 lines; case does not matter):\n"
           "  QUIT, EXIT  HELP  ABOUT  RESET  SETANIMFPS n  DIR  DIRMAPS  DIRSCENES  CURRENTPATHS\n"
           "  SETMESHPATH p  SETMAPPATH p  SETSHOTSPATH p  SETSCENESPATH p  SETIMAGESPATH p\n"
           "  SETAMBIENT r g b  STEP n  STEPANIM n  FPS  BILINEAR  DITHER  ANTIALIAS  POINT  WIRE  SOLID\n"
           "  SURFINFO  TEXTURESNUM  TEXTUREDATA n  LOAD scene  CONSOLEBACKGROUND image\n"
           "See tessaly(6) for what each does.\n";
}

const LaunchOptions& RunLaunchOptions() { return g_runOptions; }

std::string PathFromFolder(const char* base, const char* path) {
    if (!path || !*path) return path ? path : "";
    if (path[0] == '/' || !base || !*base) return path;
    return std::string(base) + path;
}

LaunchAction ParseLaunchOptions(int argc, char** argv, LaunchOptions& options, char* error, size_t errorSize) {
    options = LaunchOptions{};
    g_runOptions = LaunchOptions{};
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
        } else if (std::strcmp(arg, "--capture") == 0) {
            if (!needValue()) return LaunchAction::Error;
            options.platform.captureDir = value;
            ++i;
        } else if (std::strcmp(arg, "--script") == 0) {
            if (!needValue()) return LaunchAction::Error;
            options.platform.scriptPath = value;
            ++i;
        } else if (std::strcmp(arg, "--audio-out") == 0) {
            if (!needValue()) return LaunchAction::Error;
            options.platform.audioOut = value;
            ++i;
        } else if (std::strcmp(arg, "--fixed-fps") == 0) {
            if (!needValue()) return LaunchAction::Error;
            if (!ReadNumber(value, 1, 1000, number)) {
                std::snprintf(error, errorSize, "--fixed-fps wants a whole number from 1 to 1000, not '%s'", value);
                return LaunchAction::Error;
            }
            options.platform.fixedFps = static_cast<int>(number);
            ++i;
        } else if (std::strcmp(arg, "--frames") == 0) {
            if (!needValue()) return LaunchAction::Error;
            if (!ReadNumber(value, 1, LONG_MAX, number)) {
                std::snprintf(error, errorSize, "--frames wants a positive whole number, not '%s'", value);
                return LaunchAction::Error;
            }
            options.platform.maxFrames = number;
            ++i;
        } else {
            std::snprintf(error, errorSize, "unknown option '%s'", arg);
            return LaunchAction::Error;
        }
    }
    g_runOptions = options;
    return LaunchAction::Run;
}
