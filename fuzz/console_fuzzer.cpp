// Console command lines: each line of the input (at most 16) is run by the
// program's interpreter, one after another from fresh settings, over the
// recording engine of the app tests and the real scene library. A scratch
// folder holds the data paths, with one scene ("LOAD A") and its object.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/console_commands.h"
#include "app/scene_slots.h"
#include "fuzz/fuzz_common.h"
#include "platform/platform.h"
#include "tests/app/fake_engine.h"

namespace {

namespace fs = std::filesystem;

std::string g_root;  // the scratch folder, with a trailing '/'

void RemoveScratch() {
    std::error_code ignored;
    fs::remove_all(g_root, ignored);
}

void SetPath(char (&path)[kPathSize], const char* folder) {
    std::snprintf(path, sizeof path, "%s%s/", g_root.c_str(), folder);
}

bool Terminated(const char (&path)[kPathSize]) { return std::memchr(path, 0, sizeof path) != nullptr; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    PlatOptions options{};
    options.headless = 1;
    plat_Configure(&options);
    g_root = (fs::temp_directory_path() / ("tessaly-fuzz-console-" + std::to_string(getpid()))).string() + "/";
    for (const char* folder : {"maps", "meshes", "images", "shots", "scenes"}) fs::create_directories(g_root + folder);
    std::ofstream(g_root + "scenes/a.lws") << "LWSC\n1\n\nLoadObject cube.lwo\nObjectMotion (unnamed)\n  9\n  2\n"
                                              "  0 0 0 0 0 0 1 1 1\n  0 0 0 0 0\n  1 2 3 0 0 0 1 1 1\n"
                                              "  30 0 0 0 0\nParentObject 0\n\nAddLight\nLightName Lamp\n";
    std::ofstream(g_root + "meshes/cube.lwo") << "FORM";
    std::atexit(RemoveScratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    ResetAppState();
    fake::Reset();
    SetPath(g_app.mapsPath, "maps");
    SetPath(g_app.meshesPath, "meshes");
    SetPath(g_app.imagesPath, "images");
    SetPath(g_app.shotsPath, "shots");
    SetPath(g_app.scenesPath, "scenes");

    size_t at = 0;
    int accepted = 0;
    for (int lines = 0; lines < 16 && at < size; ++lines) {
        const uint8_t* end = static_cast<const uint8_t*>(std::memchr(bytes + at, '\n', size - at));
        const size_t length = (end ? static_cast<size_t>(end - bytes) : size) - at;
        std::vector<char> line(bytes + at, bytes + at + length);
        line.push_back('\0');
        at += length + 1;
        RunConsoleCommand(line.data());
        if (line[0] != '\0') ++accepted;
    }
    FUZZ_CHECK(fake::g_engine.CountCalls("r_ConsoleCommandAccepted") == accepted);
    FUZZ_CHECK(Terminated(g_app.mapsPath) && Terminated(g_app.meshesPath) && Terminated(g_app.imagesPath) &&
               Terminated(g_app.shotsPath) && Terminated(g_app.scenesPath));
    FUZZ_CHECK(std::memchr(g_app.consoleBackground, 0, sizeof g_app.consoleBackground) != nullptr);
    ReleaseSlots();
    return 0;
}
