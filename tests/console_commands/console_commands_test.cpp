// Console commands through the real engine console: each test types or runs
// a line and reads back the console's lines and the program's settings.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/console_commands.h"
#include "app/scene_slots.h"
#include "tessaly/engine_api.h"
#include "tools/formats/lwob_writer.h"
#include "tools/formats/tga_writer.h"
#include "tests/engine_console/headless_engine.h"

namespace {

namespace fs = std::filesystem;

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
        root_ = fs::temp_directory_path() / ("console_commands_" + std::to_string(getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_);
    }
    void TearDown() override {
        r_ConsoleDeInit();
        ReleaseSlots();
        fs::remove_all(root_);
    }

    // Runs one line as the console hands it over and returns the lines printed.
    std::vector<std::string> Run(const std::string& text) {
        r_ConsoleClear();
        std::vector<char> line(text.begin(), text.end());
        line.push_back('\0');
        RunConsoleCommand(line.data());
        std::vector<std::string> lines;
        for (int i = 0; const char* printed = r_ConsoleGetLine(i); ++i) lines.emplace_back(printed);
        return lines;
    }
    std::string RunOne(const std::string& text) {
        const std::vector<std::string> lines = Run(text);
        EXPECT_EQ(lines.size(), 1u) << text;
        return lines.empty() ? std::string() : lines.front();
    }

    // A directory below the test's root, given as a path ending in '/'.
    std::string Dir(const std::string& name) {
        fs::create_directories(root_ / name);
        return (root_ / name).string() + "/";
    }
    void Touch(const std::string& dir, const std::string& name, const std::string& text = "x") {
        std::ofstream(dir + name, std::ios::binary) << text;
    }

    fs::path root_;
};

TEST_F(ConsoleCommands, QuitMatchesAnyLineStartingWithItInAnyCase) {
    for (const char* line : {"quit", "Quitting", "EXITNOW"}) {
        g_app.quit = false;
        EXPECT_TRUE(Run(line).empty()) << line;
        EXPECT_TRUE(g_app.quit) << line;
    }
}

TEST_F(ConsoleCommands, TheHandOffIsFinishedOnlyForLinesThatAreNotEmpty) {
    for (char c : std::string("bogus")) r_ConsoleAddChar(c);
    r_ConsoleAddChar(13);
    ASSERT_EQ(r_ConsoleHasCommandAvailable(), 1);
    RunConsoleCommand(r_ConsoleGetCommand());
    EXPECT_EQ(r_ConsoleHasCommandAvailable(), 0);
    EXPECT_STREQ(r_ConsoleGetLine(0), "bogus");  // the echo
    EXPECT_STREQ(r_ConsoleGetLine(1), "Unknown Command!");
    EXPECT_STREQ(r_ConsoleGetCommand(), "_");

    // An empty line prints nothing and leaves a waiting command waiting.
    for (char c : std::string("x")) r_ConsoleAddChar(c);
    r_ConsoleAddChar(13);
    r_ConsoleClear();
    char empty[1] = {0};
    RunConsoleCommand(empty);
    RunConsoleCommand(nullptr);
    EXPECT_EQ(r_ConsoleGetLine(0), nullptr);
    EXPECT_EQ(r_ConsoleHasCommandAvailable(), 0);  // cleared by r_ConsoleClear, not by the interpreter
}

TEST_F(ConsoleCommands, HelpNamedCommandsThatDoNotExistAreUnknown) {
    for (const char* line : {"RS", "LOGON", "CURRENTS", "BACKGROUND X", " QUIT"})
        EXPECT_EQ(RunOne(line), "Unknown Command!") << line;
    EXPECT_FALSE(g_app.quit);
}

TEST_F(ConsoleCommands, StepAnimIsMatchedBeforeStep) {
    EXPECT_EQ(RunOne("STEPANIM 3"), "Animation Step set to 3");
    EXPECT_EQ(g_app.animStep, 3);
    EXPECT_FLOAT_EQ(g_app.walkStep, 0.5f);
    EXPECT_EQ(RunOne("step 3"), "Step set to 3.000");
    EXPECT_FLOAT_EQ(g_app.walkStep, 3.0f);
    EXPECT_EQ(RunOne("STEPX 2.25"), "Step set to 2.250");
    EXPECT_FLOAT_EQ(g_app.walkStep, 2.25f);
    EXPECT_EQ(g_app.animStep, 3);
    EXPECT_EQ(RunOne("SETANIMFPS 24"), "Anim FPS set to 24.000000");
    EXPECT_FLOAT_EQ(g_app.animRate, 24.0f);
}

TEST_F(ConsoleCommands, NumericCommandsWithoutANumberChangeNothing) {
    EXPECT_EQ(RunOne("STEP"), "Usage : STEP n");
    EXPECT_EQ(RunOne("STEP -"), "Usage : STEP n");
    EXPECT_EQ(RunOne("STEPANIM x"), "Usage : STEPANIM n");
    EXPECT_EQ(RunOne("SETANIMFPS"), "Usage : SETANIMFPS n");
    EXPECT_EQ(RunOne("TEXTUREDATA"), "Usage : TEXTUREDATA n");
    EXPECT_EQ(RunOne("SETAMBIENT 0.5 0.5"), "Usage : SETAMBIENT r g b");
    EXPECT_FLOAT_EQ(g_app.walkStep, 0.5f);
    EXPECT_EQ(g_app.animStep, 1);
    EXPECT_FLOAT_EQ(g_app.animRate, 60.0f);
    EXPECT_FLOAT_EQ(g_app.ambient[0], 0.0f);
}

TEST_F(ConsoleCommands, SetAmbientReadsThreeNumbers) {
    EXPECT_EQ(RunOne("SETAMBIENT 0.5 0.5 0.5"), "Ambient set to 0.500 R ,0.500 G ,0.500 B");
    EXPECT_EQ(RunOne("setambient 0.2,0.3,-1"), "Ambient set to 0.200 R ,0.300 G ,-1.000 B");
    EXPECT_FLOAT_EQ(g_app.ambient[0], 0.2f);
    EXPECT_FLOAT_EQ(g_app.ambient[1], 0.3f);
    EXPECT_FLOAT_EQ(g_app.ambient[2], -1.0f);
}

TEST_F(ConsoleCommands, TogglesAndFillModes) {
    EXPECT_EQ(RunOne("BILINEAR"), "Bilinear Filter On");
    EXPECT_EQ(RunOne("bilinear"), "Bilinear Filter Off");
    EXPECT_FALSE(g_app.bilinear);
    EXPECT_EQ(RunOne("DITHER"), "Dithering enabled");
    EXPECT_EQ(RunOne("DITHER"), "Dithering disabled");
    EXPECT_EQ(RunOne("ANTIALIAS"), "Antialiasing enabled");
    EXPECT_TRUE(g_app.antialias);
    EXPECT_EQ(RunOne("FPS"), "FPS Counter On");
    EXPECT_EQ(RunOne("FPS"), "FPS Counter Off");

    EXPECT_EQ(RunOne("WIRE"), "Fillmode set to wireframe");
    EXPECT_TRUE(g_app.clearBackground);
    EXPECT_EQ(RunOne("SOLID"), "Fillmode set to Solid");
    EXPECT_FALSE(g_app.clearBackground);
    EXPECT_EQ(RunOne("POINT"), "Fillmode set to points");
    EXPECT_TRUE(g_app.clearBackground);
}

TEST_F(ConsoleCommands, PathCommandsStoreTheUpperCasedArgumentAsADirectory) {
    const std::string typed = root_.string() + "/demo";
    EXPECT_EQ(RunOne("SETSCENESPATH " + typed), "New Scenes Path : " + Upper(typed));
    EXPECT_EQ(std::string(g_app.scenesPath), Upper(typed) + "/");
    EXPECT_EQ(RunOne("SETMESHPATH   a b/"), "New Meshes Path : A B/");
    EXPECT_STREQ(g_app.meshesPath, "A B/");
    RunOne("SETMAPPATH m");
    RunOne("SETSHOTSPATH s");
    RunOne("SETIMAGESPATH i");

    EXPECT_EQ(RunOne("SETIMAGESPATH   "), "Usage : SETIMAGESPATH path");
    EXPECT_STREQ(g_app.imagesPath, "I/");

    const std::vector<std::string> expected = {"Meshes : A B/", "Maps   : M/", "Shots  : S/",
                                               "Scenes  : " + Upper(typed) + "/", "Images  : I/"};
    EXPECT_EQ(Run("CURRENTPATHS"), expected);
}

TEST_F(ConsoleCommands, DirectoryListings) {
    const std::string maps = Dir("maps");
    Touch(maps, "b.tga");
    Touch(maps, "a.tga");
    fs::create_directories(maps + "sub");

    // The typed path is upper-cased; the platform still finds the folder.
    RunOne("SETMAPPATH " + maps);
    RunOne("SETMESHPATH " + maps);
    const std::string shown = Upper(maps);
    EXPECT_EQ(Run("DIRMAPS"), (std::vector<std::string>{shown + " Maps List_____________________________",
                                                         "a.tga", "b.tga"}));
    EXPECT_EQ(Run("DIRX"), (std::vector<std::string>{shown + " Object List___________________________", ".",
                                                      "..", "a.tga", "b.tga", "sub"}));

    std::snprintf(g_app.scenesPath, sizeof g_app.scenesPath, "%s", (root_ / "missing/").c_str());
    EXPECT_EQ(Run("DIRSCENES"),
              (std::vector<std::string>{std::string(g_app.scenesPath) + " Scenes List_____________________________",
                                        "No Scenes Found."}));
}

TEST_F(ConsoleCommands, LoadReadsTheSceneIntoSlotZero) {
    const std::string scenes = Dir("scenes");
    Touch(scenes, "main.lws", "LWSC\n1\nLoadObject rock.lwo\n");
    std::snprintf(g_app.scenesPath, sizeof g_app.scenesPath, "%s", scenes.c_str());
    g_app.slotIndex = 2;

    const std::vector<std::string> lines = Run("load main");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], scenes + "MAIN.lws");
    EXPECT_EQ(lines[1].rfind("Loaded : MAIN (", 0), 0u) << lines[1];
    EXPECT_EQ(lines[1].substr(lines[1].size() - 6), " sec.)");
    EXPECT_TRUE(g_app.scenesLoaded);
    EXPECT_EQ(g_app.slotIndex, 0);
    ASSERT_EQ(g_slots[0].ObjectCount(), 1);
    EXPECT_STREQ(g_slots[0].objects[0].name, "ROCK.LWO");
}

TEST_F(ConsoleCommands, LoadOfAMissingSceneFailsAndKeepsEverything) {
    const std::string scenes = Dir("scenes");
    std::snprintf(g_app.scenesPath, sizeof g_app.scenesPath, "%s", scenes.c_str());
    g_app.scenesLoaded = true;
    g_app.slotIndex = 1;
    g_slots[0].objects.resize(3);

    EXPECT_EQ(Run("LOADANIM X"),
              (std::vector<std::string>{scenes + "ANIM X.lws", "Failed to Load : ANIM X"}));
    EXPECT_TRUE(g_app.scenesLoaded);
    EXPECT_EQ(g_app.slotIndex, 1);
    EXPECT_EQ(g_slots[0].ObjectCount(), 3);

    EXPECT_EQ(RunOne("LOAD"), "Usage : LOAD name");
}

TEST_F(ConsoleCommands, PicturesAndTexturesWithoutStores) {
    // Nothing is allocated: the engine refuses the picture and knows no texture.
    std::snprintf(g_app.consoleBackground, sizeof g_app.consoleBackground, "OLD.TGA");
    EXPECT_EQ(RunOne("CONSOLEBACKGROUND"), "Usage : CONSOLEBACKGROUND name");
    EXPECT_STREQ(g_app.consoleBackground, "OLD.TGA");
    EXPECT_EQ(RunOne("consolebackground back.tga"), "Failed to Set Console Background to : BACK.TGA");
    EXPECT_STREQ(g_app.consoleBackground, "");

    EXPECT_EQ(RunOne("TEXTUREDATA 7"), "  Texture 7 :  , 0x0x0.");
    EXPECT_EQ(RunOne("TEXTURESNUM"), "Textures Loaded = 0");
}

TEST_F(ConsoleCommands, SurfaceListingOfModelZero) {
    // A model with one textured surface and one whose picture is missing.
    const std::string dir = Dir("model");
    demo::LwobObject object;
    const int wood = object.AddSurface({.name = "WOOD", .textures = {{.image = "wood.tga"}}});
    const int ghost = object.AddSurface({.name = "GHOST", .textures = {{.image = "missing.tga"}}});
    for (int surface : {wood, ghost}) {
        const int a = object.AddPoint({0, 0, 0}), b = object.AddPoint({0, 1, 0}), c = object.AddPoint({1, 0, 0});
        object.AddPolygon({a, b, c}, surface);
    }
    const std::vector<uint8_t> lwo = object.Bytes();
    std::ofstream(dir + "box.lwo", std::ios::binary).write(reinterpret_cast<const char*>(lwo.data()),
                                                            static_cast<std::streamsize>(lwo.size()));
    const std::vector<uint8_t> tga = demo::TgaBytes(demo::Picture(4, 2));
    std::ofstream(dir + "wood.tga", std::ios::binary).write(reinterpret_cast<const char*>(tga.data()),
                                                             static_cast<std::streamsize>(tga.size()));

    ASSERT_EQ(r_AllocMaxModels(2, nullptr), 0);
    ASSERT_EQ(r_AllocMaxTextures(4, nullptr), 0);
    char name[] = "box.lwo";
    ASSERT_EQ(r_LoadModel(0, name, dir.c_str(), dir.c_str(), 0, nullptr), 0);

    const std::vector<std::string> expected = {
        "Number of Surfaces : 2",    "Surface 0 (WOOD) :",  "  Number of Textures : 1",
        "  Texture 0 : WOOD.TGA , 4x2x24.", "Surface 1 (GHOST) :", "  Number of Textures : 1",
        "  Texture 0 :  , 0x0x0."};
    EXPECT_EQ(Run("SURFINFO"), expected);
    EXPECT_EQ(RunOne("TEXTURESNUM"), "Textures Loaded = 1");

    r_FreeAllocatedModels(nullptr);
    r_FreeAllocatedTextures(nullptr);
}

TEST_F(ConsoleCommands, HelpAboutAndReset) {
    const std::vector<std::string> help = Run("HELP");
    ASSERT_EQ(help.size(), 40u);
    EXPECT_EQ(help[1], "Zorvath Tessaly Commands__________________________");
    EXPECT_EQ(help.back(), "  [string] to use the system font.");
    const std::vector<std::string> about = Run("ABOUT");
    ASSERT_EQ(about.size(), 10u);
    EXPECT_EQ(about[1], "About Zorvath Tessaly______________________________");
    EXPECT_EQ(about[7], "To contact us mail us to :");

    g_app.view.at(3, 0) = 5.0f;
    EXPECT_EQ(RunOne("RESET"), "Program Reset");
    EXPECT_FLOAT_EQ(g_app.view.at(3, 0), 0.0f);
    EXPECT_FLOAT_EQ(g_app.view.at(3, 2), -10.0f);
}

}  // namespace
