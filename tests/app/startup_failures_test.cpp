// The built program when its surroundings are wrong: a module left out of its
// folder, damaged objects, pictures and scenes, and a data folder that does
// not hold the demo. Each run is a few frames on the fixed clock.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "demo_data.h"
#include "program_runner.h"

namespace {

namespace fs = std::filesystem;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The lines of text that contain needle (compared without regard to case).
std::vector<std::string> LinesWith(const std::string& text, const std::string& needle) {
    std::vector<std::string> found;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (Lower(line).find(Lower(needle)) != std::string::npos) found.push_back(line);
    return found;
}

class StartUpFailures : public runner::ProgramSuite<StartUpFailures> {
public:
    static void WriteFiles() { demo::WriteDataSet(root_ + "data"); }

protected:
    // A copy of the program and every library beside it, less one file: the
    // folder a user gets when one module is missing from the installation.
    static std::string ProgramWithout(const std::string& module) {
        const fs::path dir = root_ + "without_" + module;
        fs::create_directories(dir);
        for (const auto& entry : fs::directory_iterator(TESSALY_BIN_DIR)) {
            const std::string name = entry.path().filename();
            const bool wanted = name == "tessaly" || entry.path().extension() == ".so";
            if (wanted && name != module && entry.is_regular_file())
                fs::copy_file(entry.path(), dir / name, fs::copy_options::overwrite_existing);
        }
        return (dir / "tessaly").string();
    }

    // Runs a program headless on the fixed clock in data for a few frames;
    // the exit code, everything printed in output_.
    int Run(const std::string& program, const std::string& data, std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"--data", root_ + data, "--headless", "--fixed-fps", "24", "--frames", "12"};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunProgram(program, args);
    }
};

TEST_F(StartUpFailures, AMissingModuleIsNamedOnceWithWhereItWasSought) {
    // Without the back-end nothing can be shown: one message, exit code 1, no frame.
    const std::string noBackEnd = ProgramWithout("t7dxraster.so");
    const std::string folder = fs::path(noBackEnd).parent_path().string() + "/";
    EXPECT_EQ(Run(noBackEnd, "data", {"--capture", root_ + "nobackend"}), 1) << output_;
    const auto backEnd = LinesWith(output_, "t7dxraster");
    ASSERT_EQ(backEnd.size(), 1u) << output_;
    EXPECT_NE(backEnd[0].find("t7dxraster.so not found (searched " + folder + ", " + folder + "../lib/tessaly/, ./)"),
              std::string::npos)
        << backEnd[0];
    EXPECT_FALSE(fs::exists(root_ + "nobackend"));

    // Without the object plug-in the demo plays on and says so once, however
    // many objects wanted it.
    EXPECT_EQ(Run(ProgramWithout("lwo.so"), "data"), 0) << output_;
    const auto objects = LinesWith(output_, "Plug-in LWO.dll cannot be loaded");
    ASSERT_EQ(objects.size(), 1u) << output_;
    EXPECT_NE(objects[0].find("not found (searched "), std::string::npos) << objects[0];

    // Without the image plug-in no screenshot is written, and none is
    // announced as saved.
    EXPECT_EQ(Run(ProgramWithout("tga.so"), "data", {"--progress"}), 0) << output_;
    EXPECT_EQ(LinesWith(output_, "Plug-in TGA.dll cannot be loaded").size(), 1u) << output_;
    const auto shots = LinesWith(output_, "screenshot:");
    EXPECT_FALSE(shots.empty()) << output_;
    for (const std::string& line : shots) EXPECT_NE(line.find("could not be saved"), std::string::npos) << line;
    EXPECT_TRUE(fs::is_empty(root_ + "data/shots"));
}

TEST_F(StartUpFailures, DamagedFilesAreNamedOnceEachAndTheDemoPlaysOn) {
    const std::string data = root_ + "damaged";
    demo::WriteDataSet(data);
    // The rock is in two scenes (one read, shared by name); the flare is a
    // fixed texture; the end-title scene is not a scene at all.
    fs::resize_file(data + "/meshes/ROCK.LWO", fs::file_size(data + "/meshes/ROCK.LWO") / 2);
    fs::resize_file(data + "/maps/fx_flare.tga", 30);
    demo::WriteText(data + "/scenes/endtitle.lws", "LWSC\nnot a version\n");
    // The inner scene ends inside its last motion block.
    const std::string innerText = runner::ReadAll(data + "/scenes/inner.lws");
    demo::WriteText(data + "/scenes/inner.lws", innerText.substr(0, innerText.rfind("Motion") + 8));

    EXPECT_EQ(Run(runner::ProgramPath(), "damaged"), 0) << output_;
    EXPECT_EQ(LinesWith(output_, "meshes/ROCK.LWO").size(), 1u) << output_;
    EXPECT_EQ(LinesWith(output_, "maps/fx_flare.tga").size(), 1u) << output_;
    EXPECT_EQ(LinesWith(output_, "scenes/endtitle.lws").size(), 1u) << output_;
    const auto inner = LinesWith(output_, "scenes/inner.lws");
    ASSERT_EQ(inner.size(), 1u) << output_;
    EXPECT_NE(inner[0].find("is damaged: the motion of"), std::string::npos) << inner[0];
    // What is intact says nothing.
    EXPECT_TRUE(LinesWith(output_, "ROCK_MM1").empty()) << output_;
    EXPECT_TRUE(LinesWith(output_, "main.lws").empty()) << output_;
}

TEST_F(StartUpFailures, AFolderWithoutTheDemoEndsWithExitCode2) {
    fs::create_directories(root_ + "empty");
    EXPECT_EQ(Run(runner::ProgramPath(), "empty", {"--capture", root_ + "emptyframes"}), 2) << output_;
    EXPECT_EQ(LinesWith(output_, "scenes/ is missing").size(), 1u) << output_;
    EXPECT_EQ(LinesWith(output_, "meshes/ is missing").size(), 1u) << output_;
    EXPECT_FALSE(fs::exists(root_ + "emptyframes"));

    // One scene gone: it alone is named. Names are found without regard to case.
    const std::string data = root_ + "nomain";
    demo::WriteDataSet(data);
    fs::remove(data + "/scenes/main.lws");
    fs::rename(data + "/meshes", data + "/MESHES");
    EXPECT_EQ(Run(runner::ProgramPath(), "nomain"), 2) << output_;
    EXPECT_EQ(LinesWith(output_, "scenes/main.lws is missing").size(), 1u) << output_;
    EXPECT_TRUE(LinesWith(output_, "meshes").empty()) << output_;
    EXPECT_TRUE(LinesWith(output_, "intromask").empty()) << output_;

    // A folder that cannot be read (permissions mean nothing to root).
    if (geteuid() != 0) {
        demo::WriteText(data + "/scenes/main.lws", "LWSC\n1\n");
        fs::permissions(data + "/scenes", fs::perms::none);
        EXPECT_EQ(Run(runner::ProgramPath(), "nomain"), 2) << output_;
        fs::permissions(data + "/scenes", fs::perms::owner_all);
        EXPECT_EQ(LinesWith(output_, "scenes/ cannot be read").size(), 1u) << output_;
    }
}

// The data folder is named as the absolute folder it is, however it was
// given: through "..", a link, or without a closing '/'.
TEST_F(StartUpFailures, TheDataFolderIsNamedAsTheFolderItIs) {
    fs::create_directories(root_ + "plain/inside");
    fs::create_directory_symlink(root_ + "plain", root_ + "link");
    const std::string shown = fs::canonical(root_ + "plain").string() + "/";
    EXPECT_EQ(Run(runner::ProgramPath(), "link/inside/.."), 2) << output_;
    EXPECT_EQ(LinesWith(output_, "tessaly: " + shown + "scenes/ is missing").size(), 1u) << output_;
    EXPECT_EQ(LinesWith(output_, "tessaly: " + shown + " does not hold the demo").size(), 1u) << output_;

    // A folder that is not there cannot be worked in.
    EXPECT_EQ(Run(runner::ProgramPath(), "nowhere"), 1) << output_;
    EXPECT_EQ(LinesWith(output_, "cannot work in " + root_ + "nowhere: No such file or directory").size(), 1u)
        << output_;
}

}  // namespace
