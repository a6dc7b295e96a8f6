#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

using ProbeFn = int (*)(void);

int CallProbe(void* library) {
    auto fn = reinterpret_cast<ProbeFn>(plat_GetProcAddress(library, "tessaly_probe_answer"));
    return fn != nullptr ? fn() : -1;  // a null library gives a null symbol
}

// A new scratch folder holding junk.so, a file that is no library.
fs::path FolderWithJunkLibrary() {
    char pattern[] = "/tmp/tessaly_lib_XXXXXX";
    const fs::path scratch = mkdtemp(pattern);
    if (FILE* junk = std::fopen((scratch / "junk.so").c_str(), "wb")) {
        std::fputs("not a library", junk);
        std::fclose(junk);
    }
    return scratch;
}

}  // namespace

// The probe module is built into bin as tessaly_probe_module.so, beside this
// test program.
TEST(LibraryLookup, DllNameFindsTheSharedObjectWithoutRegardToCase) {
    for (const char* name : {"TESSALY_PROBE_MODULE.dll", "tessaly_probe_module.DLL", "Tessaly_Probe_Module"}) {
        void* library = plat_LoadLibrary(name);
        ASSERT_NE(library, nullptr) << name;
        EXPECT_EQ(CallProbe(library), 42);
        EXPECT_EQ(plat_GetProcAddress(library, "no_such_symbol"), nullptr);
        plat_FreeLibrary(library);
    }
}

TEST(LibraryLookup, ExplicitDirectoriesMissingAndUnloadableLibraries) {
    const std::string dir = TESSALY_BIN_DIR;
    for (const std::string name : {"/TESSALY_PROBE_MODULE.dll", "/tessaly_probe_module.so"}) {
        void* library = plat_LoadLibrary((dir + name).c_str());
        EXPECT_EQ(CallProbe(library), 42) << name;
        plat_FreeLibrary(library);
    }
    // A directory part limits the search to that directory.
    EXPECT_EQ(plat_LoadLibrary("/nonexistent-dir/TESSALY_PROBE_MODULE.dll"), nullptr);
    EXPECT_EQ(plat_LoadLibrary("no_such_module.dll"), nullptr);
    EXPECT_EQ(plat_LoadLibrary(nullptr), nullptr);

    // A file of the right name that is no library is refused, not crashed on.
    const fs::path scratch = FolderWithJunkLibrary();
    ASSERT_TRUE(fs::exists(scratch / "junk.so"));
    EXPECT_EQ(plat_LoadLibrary((scratch / "JUNK.dll").c_str()), nullptr);
    fs::remove_all(scratch);
}

// Why a load failed, for the message that names the module: the file sought,
// every place searched, and the loader's own reason for a file it refused.
TEST(LibraryLookup, FailuresSayWhereTheLibraryWasSoughtAndWhy) {
    EXPECT_EQ(plat_LoadLibrary("no_such_module.dll"), nullptr);
    const std::string bin = std::string(TESSALY_BIN_DIR) + "/";
    EXPECT_EQ(std::string(plat_LibraryError()),
              "no_such_module.so not found (searched " + bin + ", " + bin + "../lib/tessaly/, ./)");

    const fs::path scratch = FolderWithJunkLibrary();
    ASSERT_TRUE(fs::exists(scratch / "junk.so"));
    EXPECT_EQ(plat_LoadLibrary((scratch / "JUNK.dll").c_str()), nullptr);
    const std::string refused = plat_LibraryError();
    EXPECT_EQ(refused.rfind("JUNK.so not loadable: " + (scratch / "junk.so").string() + ": ", 0), 0u) << refused;
    EXPECT_NE(refused.find("(searched " + scratch.string() + "/)"), std::string::npos) << refused;
    fs::remove_all(scratch);

    void* library = plat_LoadLibrary("tessaly_probe_module.dll");
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(plat_GetProcAddress(library, "no_such_symbol"), nullptr);
    EXPECT_NE(std::string(plat_LibraryError()).find("no_such_symbol"), std::string::npos);
    plat_FreeLibrary(library);
}
