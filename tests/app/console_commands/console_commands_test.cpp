// Console commands through the real engine console: each test runs lines and
// reads back what the console printed and the program's settings.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/console_commands.h"
#include "app/scene_slots.h"
#include "tests/app/demo_data.h"
#include "tests/engine/console/headless_engine.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// Render-state commands reach the back-end, so one must be bound.
const auto* const kEngine = ::testing::AddGlobalTestEnvironment(new engine_test::HeadlessEngine);

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

class ConsoleCommands : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAppState();
        ReleaseSlots();
        ASSERT_EQ(r_ConsoleInit(200, 25, 256), 0);
        fs::remove_all(root_);
        fs::create_directories(root_ / "dir" / "sub");
        for (const char* name : {"b.lws", "a.lws"})
            std::ofstream(root_ / "dir" / name) << "LWSC\n1\nLoadObject rock.lwo\n";
    }
    void TearDown() override {
        r_ConsoleDeInit();
        ReleaseSlots();
        fs::remove_all(root_);
    }

    // Runs one line as the console hands it over; the lines it printed.
    Lines Run(const std::string& text) {
        r_ConsoleClear();
        std::string line = text;
        RunConsoleCommand(line.data());
        Lines printed;
        for (int i = 0; const char* l = r_ConsoleGetLine(i); ++i) printed.emplace_back(l);
        return printed;
    }

    const fs::path root_ = fs::temp_directory_path() / ("console_commands_" + std::to_string(getpid()));
    const std::string dir_ = (root_ / "dir").string() + "/";
};

TEST_F(ConsoleCommands, MatchingByPrefixInOrder) {
    for (const char* line : {"quit", "Quitting"}) {
        g_app.quit = false;
        EXPECT_EQ(Run(line), Lines{});
        EXPECT_TRUE(g_app.quit) << line;
    }
    EXPECT_EQ(Run("STEPANIM 3"), Lines{"Animation Step set to 3"});
    EXPECT_EQ(Run("step 3"), Lines{"Step set to 3.000"});
    EXPECT_EQ(Run("STEPX 2.5"), Lines{"Step set to 2.500"});
    EXPECT_EQ(g_app.animStep, 3);
    EXPECT_FLOAT_EQ(g_app.walkStep, 2.5f);
    EXPECT_EQ(Run("BILINEAR"), Lines{"Bilinear Filter On"});
    EXPECT_EQ(Run("bilinear"), Lines{"Bilinear Filter Off"});
    EXPECT_EQ(Run("SETAMBIENT 0.5 0.5 0.5"), Lines{"Ambient set to 0.500 R ,0.500 G ,0.500 B"});
    EXPECT_EQ(Run("RS"), Lines{"Unknown Command!"});
    EXPECT_EQ(Run("TEXTUREDATA 7"), Lines{"  Texture 7 :  , 0x0x0."});  // a handle holding nothing
}

TEST_F(ConsoleCommands, NumbersWithHugeExponents) {
    // Found by fuzzing: an exponent below INT_MIN saturated to INT_MIN and was
    // then negated (undefined behaviour). Such numbers read as 0 or saturate.
    EXPECT_EQ(Run("STEPANIM 44444e-4444444444444444"), Lines{"Animation Step set to 0"});
    EXPECT_EQ(Run("STEPANIM 7e99999999999"), Lines{"Animation Step set to 2147483647"});
    EXPECT_EQ(Run("TEXTUREDATA -1e-99999999999"), Lines{"  Texture 0 :  , 0x0x0."});
}

TEST_F(ConsoleCommands, TheHandOffAndTheEmptyLine) {
    for (char c : std::string("mystery")) r_ConsoleAddChar(c);
    r_ConsoleAddChar(13);
    RunConsoleCommand(r_ConsoleGetCommand());
    EXPECT_EQ(r_ConsoleHasCommandAvailable(), 0);
    EXPECT_STREQ(r_ConsoleGetLine(1), "Unknown Command!");

    for (char c : std::string("x")) r_ConsoleAddChar(c);
    r_ConsoleAddChar(13);
    char empty[1] = {0};
    RunConsoleCommand(empty);  // prints nothing and accepts nothing
    EXPECT_EQ(r_ConsoleHasCommandAvailable(), 1);
    EXPECT_EQ(r_ConsoleGetLine(3), nullptr);
}

TEST_F(ConsoleCommands, MissingArgumentsChangeNothing) {
    for (const char* line : {"STEP", "STEPANIM -", "SETANIMFPS", "TEXTUREDATA x", "SETAMBIENT 1 2", "LOAD",
                             "CONSOLEBACKGROUND  ", "SETSCENESPATH"})
        EXPECT_EQ(Run(line).at(0).rfind("Usage : ", 0), 0u) << line;
    const AppState untouched;
    EXPECT_EQ(g_app.walkStep, untouched.walkStep);
    EXPECT_EQ(g_app.animStep, untouched.animStep);
    EXPECT_EQ(g_app.animRate, untouched.animRate);
    EXPECT_EQ(g_app.ambient[0], untouched.ambient[0]);
    EXPECT_STREQ(g_app.scenesPath, "");
}

TEST_F(ConsoleCommands, ShotFormatSetsScreenshotsAndCapturedFramesTogether) {
    EXPECT_EQ(Run("shotformat png"), Lines{"Screenshots and captured frames saved as PNG"});
    EXPECT_STREQ(g_app.shotFormat, "png");
    EXPECT_EQ(Run("SHOTFORMAT GIF"), Lines{"Usage : SHOTFORMAT TGA|PNG"});
    EXPECT_EQ(Run("SHOTFORMAT"), Lines{"Usage : SHOTFORMAT TGA|PNG"});
    EXPECT_STREQ(g_app.shotFormat, "png");
    EXPECT_EQ(Run("SHOTFORMAT TGA"), Lines{"Screenshots and captured frames saved as TGA"});
    EXPECT_STREQ(g_app.shotFormat, "tga");
}

TEST_F(ConsoleCommands, PathsAndListings) {
    const std::string typed = dir_.substr(0, dir_.size() - 1);
    EXPECT_EQ(Run("SETSCENESPATH " + typed), Lines{"New Scenes Path : " + Upper(typed)});
    EXPECT_EQ(std::string(g_app.scenesPath), Upper(dir_));
    EXPECT_EQ(Run("setmeshpath " + dir_), Lines{"New Meshes Path : " + Upper(dir_)});
    EXPECT_EQ(Run("CURRENTPATHS").at(3), "Scenes  : " + Upper(dir_));

    // The upper-cased paths still find the folder; directories are left out
    // of DIRSCENES but not of DIR.
    const std::string shown = Upper(dir_);
    EXPECT_EQ(Run("DIRSCENES"), (Lines{shown + " Scenes List_____________________________", "a.lws", "b.lws"}));
    EXPECT_EQ(Run("DIR"),
              (Lines{shown + " Object List___________________________", ".", "..", "a.lws", "b.lws", "sub"}));
    std::snprintf(g_app.mapsPath, sizeof g_app.mapsPath, "%snone/", dir_.c_str());
    EXPECT_EQ(Run("DIRMAPS"),
              (Lines{std::string(g_app.mapsPath) + " Maps List_____________________________", "No Maps Found."}));
}

TEST_F(ConsoleCommands, LoadReadsASceneIntoSlotZeroOrReportsItsAbsence) {
    std::snprintf(g_app.scenesPath, sizeof g_app.scenesPath, "%s", dir_.c_str());
    g_app.slotIndex = 2;
    const Lines missing = Run("LOADANIM X");  // LOAD with the name ANIM X
    EXPECT_EQ(missing, (Lines{dir_ + "ANIM X.lws", "Failed to Load : ANIM X"}));
    EXPECT_EQ(g_app.slotIndex, 2);
    EXPECT_FALSE(g_app.scenesLoaded);

    const Lines loaded = Run("load a");
    ASSERT_EQ(loaded.size(), 3u) << testing::PrintToString(loaded);
    EXPECT_EQ(loaded[0], dir_ + "A.lws");
    EXPECT_EQ(loaded[1].rfind("Loaded : A (", 0), 0u) << loaded[1];
    // No model store here: the rock cannot be read, and is named.
    EXPECT_EQ(loaded[2].rfind("Object not loaded : ROCK.LWO (", 0), 0u) << loaded[2];
    EXPECT_TRUE(g_app.scenesLoaded);
    EXPECT_EQ(g_app.slotIndex, 0);
    ASSERT_EQ(g_slots[0].ObjectCount(), 1);
    EXPECT_STREQ(g_slots[0].objects[0].name, "ROCK.LWO");
}

TEST_F(ConsoleCommands, LoadOfADamagedSceneSaysWhatWasWrong) {
    std::snprintf(g_app.scenesPath, sizeof g_app.scenesPath, "%s", dir_.c_str());
    std::ofstream(root_ / "dir" / "cut.lws", std::ios::binary)
        << "LWSC\n1\nLoadObject rock.lwo\nObjectMotion\n 9\n 4\n";
    const Lines loaded = Run("load cut");
    ASSERT_EQ(loaded.size(), 4u) << testing::PrintToString(loaded);
    EXPECT_EQ(loaded[1].rfind("Loaded : CUT (", 0), 0u) << loaded[1];
    EXPECT_EQ(loaded[2],
              "Damaged scene : the motion of object 1 (rock.lwo) from line 4 is cut short or its key counts "
              "are wrong");
    EXPECT_EQ(loaded[3].rfind("Object not loaded : ROCK.LWO (", 0), 0u) << loaded[3];
}

TEST_F(ConsoleCommands, LoadOfAFileThatIsNotASceneKeepsTheSlot) {
    std::snprintf(g_app.scenesPath, sizeof g_app.scenesPath, "%s", dir_.c_str());
    ASSERT_EQ(Run("load a").size(), 3u);
    for (const char* text : {"", "LWSC\n", "LWSC\n9\nLoadObject rock.lwo\n", "garbage\x01\x02\n"}) {
        std::ofstream(root_ / "dir" / "bad.lws", std::ios::binary | std::ios::trunc) << text;
        g_app.slotIndex = 2;
        EXPECT_EQ(Run("load bad"), (Lines{dir_ + "BAD.lws", "Failed to Load : BAD"})) << text;
        EXPECT_EQ(g_app.slotIndex, 2);
        EXPECT_TRUE(g_app.scenesLoaded);
        ASSERT_EQ(g_slots[0].ObjectCount(), 1);
        EXPECT_STREQ(g_slots[0].objects[0].name, "ROCK.LWO");
    }
}

TEST_F(ConsoleCommands, NumbersThatMakeNoSenseAreRefusedAndChangeNothing) {
    EXPECT_EQ(Run("SETANIMFPS 30"), Lines{"Anim FPS set to 30.000000"});
    EXPECT_EQ(Run("STEP 2"), Lines{"Step set to 2.000"});
    for (const char* line :
         {"SETANIMFPS 0", "SETANIMFPS -1e30", "SETANIMFPS 1e999", "SETANIMFPS -5", "SETANIMFPS inf", "SETANIMFPS 1e30"})
        EXPECT_EQ(Run(line), Lines{"Usage : SETANIMFPS n"}) << line;
    for (const char* line : {"STEP 1e999", "STEP -1e999", "STEP -1", "STEP 1e30", "STEP inf"})
        EXPECT_EQ(Run(line), Lines{"Usage : STEP n"}) << line;
    EXPECT_EQ(Run("SETAMBIENT 0.5 1e999 0.5"), Lines{"Usage : SETAMBIENT r g b"});
    EXPECT_FLOAT_EQ(g_app.animRate, 30.0f);
    EXPECT_FLOAT_EQ(g_app.walkStep, 2.0f);
    EXPECT_FLOAT_EQ(g_app.ambient[1], 0.0f);
    // The edges that still make sense are taken.
    EXPECT_EQ(Run("SETANIMFPS 1000"), Lines{"Anim FPS set to 1000.000000"});
    EXPECT_EQ(Run("STEP 0"), Lines{"Step set to 0.000"});
}

TEST_F(ConsoleCommands, SurfaceListingOfModelZero) {
    // Surface WOOD with its picture, GHOST whose picture is missing: its
    // texture handle holds nothing and lists with an empty name.
    demo::Surface wood, ghost;
    wood.name = "WOOD";
    wood.image = "wood.tga";
    ghost.name = "GHOST";
    ghost.image = "missing.tga";
    ASSERT_TRUE(demo::WriteBytes(dir_ + "box.lwo", demo::BoxObject(1.0f, {wood, ghost})));
    ASSERT_TRUE(demo::WriteBytes(dir_ + "wood.tga", demo::Tga(4, 2, [](int, int) { return 0x808080u; })));
    ASSERT_EQ(r_AllocMaxModels(2, nullptr), 0);
    ASSERT_EQ(r_AllocMaxTextures(4, nullptr), 0);
    char name[] = "box.lwo";
    ASSERT_EQ(r_LoadModel(0, name, dir_.c_str(), dir_.c_str(), 0, nullptr), 0);

    const Lines listing = Run("surfinfo");
    r_FreeAllocatedModels(nullptr);
    r_FreeAllocatedTextures(nullptr);
    ASSERT_EQ(listing.size(), 7u) << testing::PrintToString(listing);
    EXPECT_EQ(listing[0], "Number of Surfaces : 2");
    EXPECT_EQ(listing[1], "Surface 0 (WOOD) :");
    EXPECT_EQ(listing[3].rfind("  Texture 0 : WOOD.TGA , ", 0), 0u) << listing[3];
    EXPECT_EQ(listing[4], "Surface 1 (GHOST) :");
    EXPECT_EQ(listing[5], "  Number of Textures : 1");
    EXPECT_EQ(listing[6], "  Texture 0 :  , 0x0x0.");
}

}  // namespace

namespace {

// LOAD takes a path to a scene file anywhere, not only a name in the scenes folder.
TEST_F(ConsoleCommands, LoadAcceptsAPathToAnySceneFile) {
    std::snprintf(g_app.scenesPath, sizeof g_app.scenesPath, "%snone/", dir_.c_str());
    const Lines loaded = Run("load " + dir_ + "sub/../b.lws");
    ASSERT_GE(loaded.size(), 2u);
    EXPECT_EQ(loaded[0], Upper(dir_ + "sub/../b.lws"));
    EXPECT_EQ(loaded[1].rfind("Loaded : ", 0), 0u) << loaded[1];
    ASSERT_EQ(g_slots[0].ObjectCount(), 1);

    const Lines missing = Run("LOAD " + dir_ + "nowhere.lws");
    ASSERT_EQ(missing.size(), 2u);
    EXPECT_EQ(missing[1], "Failed to Load : " + Upper(dir_ + "nowhere.lws"));
}

}  // namespace
