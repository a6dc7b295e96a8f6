#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

using ProbeFn = int (*)(void);

int CallProbe(void* library)
{
    auto fn = reinterpret_cast<ProbeFn>(plat_GetProcAddress(library, "tessaly_probe_answer"));
    return fn != nullptr ? fn() : -1;
}

}  // namespace

// The probe module is built into bin as tessaly_probe_module.so, beside this
// test program.
TEST(LibraryLookup, DllNameFindsTheSharedObjectWithoutRegardToCase)
{
    for (const char* name : {"TESSALY_PROBE_MODULE.dll", "tessaly_probe_module.DLL", "Tessaly_Probe_Module"}) {
        void* library = plat_LoadLibrary(name);
        ASSERT_NE(library, nullptr) << name;
        EXPECT_EQ(CallProbe(library), 42);
        EXPECT_EQ(plat_GetProcAddress(library, "no_such_symbol"), nullptr);
        plat_FreeLibrary(library);
    }
}

TEST(LibraryLookup, ExplicitDirectoryAndSharedObjectNames)
{
    const std::string dir = TESSALY_BIN_DIR;
    void* inDir = plat_LoadLibrary((dir + "/TESSALY_PROBE_MODULE.dll").c_str());
    ASSERT_NE(inDir, nullptr);
    EXPECT_EQ(CallProbe(inDir), 42);
    plat_FreeLibrary(inDir);

    void* asIs = plat_LoadLibrary((dir + "/tessaly_probe_module.so").c_str());
    ASSERT_NE(asIs, nullptr);
    plat_FreeLibrary(asIs);

    // A directory part limits the search to that directory.
    EXPECT_EQ(plat_LoadLibrary("/nonexistent-dir/TESSALY_PROBE_MODULE.dll"), nullptr);
}

TEST(LibraryLookup, MissingOrUnloadableLibraries)
{
    EXPECT_EQ(plat_LoadLibrary("no_such_module.dll"), nullptr);
    EXPECT_EQ(plat_LoadLibrary(""), nullptr);
    EXPECT_EQ(plat_LoadLibrary(nullptr), nullptr);
    EXPECT_EQ(plat_GetProcAddress(nullptr, "x"), nullptr);
    plat_FreeLibrary(nullptr);

    // A file of the right name that is no library is refused, not crashed on.
    char pattern[] = "/tmp/tessaly_lib_XXXXXX";
    const fs::path dir = mkdtemp(pattern);
    FILE* junk = std::fopen((dir / "junk.so").c_str(), "wb");
    ASSERT_NE(junk, nullptr);
    std::fputs("not a library", junk);
    std::fclose(junk);
    EXPECT_EQ(plat_LoadLibrary((dir / "JUNK.dll").c_str()), nullptr);
    fs::remove_all(dir);
}
