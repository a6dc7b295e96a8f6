#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

// A scratch tree the test works in as its current directory:
// meshes/rock.lwo, meshes/B.LWO, meshes/c.txt, meshes/sub/.
class DataTree : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tessaly_files_XXXXXX";
        root_ = mkdtemp(pattern);
        fs::create_directories(root_ / "meshes" / "sub");
        std::ofstream(root_ / "meshes" / "rock.lwo") << "ROCK";
        std::ofstream(root_ / "meshes" / "B.LWO") << "B";
        std::ofstream(root_ / "meshes" / "c.txt") << "C";
        oldCwd_ = fs::current_path();
        fs::current_path(root_);
    }
    void TearDown() override {
        fs::current_path(oldCwd_);
        fs::remove_all(root_);
    }

    static std::string Resolve(const std::string& path, int* exists = nullptr) {
        char out[1024];
        const int found = plat_ResolvePath(path.c_str(), out, sizeof out);
        if (exists) *exists = found;
        return out;
    }

    // Every entry a search yields, in order, as (name, attrib).
    static std::vector<std::pair<std::string, unsigned>> List(const std::string& pattern) {
        std::vector<std::pair<std::string, unsigned>> found;
        PlatFindData data{};
        const intptr_t handle = plat_FindFirst(pattern.c_str(), &data);
        if (handle < 0) return found;
        do found.emplace_back(data.name, data.attrib);
        while (plat_FindNext(handle, &data) == 0);
        EXPECT_EQ(plat_FindClose(handle), 0);
        EXPECT_EQ(plat_FindClose(handle), -1);
        return found;
    }

    fs::path root_;
    fs::path oldCwd_;
};

}  // namespace

TEST_F(DataTree, ResolvesComponentsWithoutRegardToCase) {
    int exists = 0;
    EXPECT_EQ(Resolve("MESHES/ROCK.LWO", &exists), "meshes/rock.lwo");
    EXPECT_EQ(exists, 1);
    EXPECT_EQ(Resolve(root_.string() + "/MESHES/ROCK.LWO"), root_.string() + "/meshes/rock.lwo");
    EXPECT_EQ(Resolve("./Meshes/../MESHES/b.lwo"), "./meshes/../meshes/B.LWO");
    // A name that matches nothing keeps its spelling inside the found directory.
    EXPECT_EQ(Resolve("MESHES/NEW.TGA", &exists), "meshes/NEW.TGA");
    EXPECT_EQ(exists, 0);
    EXPECT_EQ(Resolve("NOPE/ROCK.LWO"), "NOPE/ROCK.LWO");
    EXPECT_EQ(Resolve(""), "");
    char small[5];
    EXPECT_EQ(plat_ResolvePath("MESHES/ROCK.LWO", small, sizeof small), 1);
    EXPECT_STREQ(small, "mesh");

    FILE* out = plat_OpenFile("Meshes/Shot001.tga", "wb");
    ASSERT_NE(out, nullptr);
    std::fclose(out);
    EXPECT_TRUE(fs::exists(root_ / "meshes" / "Shot001.tga"));
    EXPECT_EQ(plat_OpenFile("MESHES/MISSING.LWO", "rb"), nullptr);

    char cwd[4096], cut[4];
    const std::string expected = root_.string() + "/";
    EXPECT_EQ(plat_GetCurrentDirectory(cwd, sizeof cwd), static_cast<int>(expected.size()));
    EXPECT_EQ(std::string(cwd), expected);
    EXPECT_EQ(plat_GetCurrentDirectory(cut, sizeof cut), 3);
}

TEST_F(DataTree, SearchListsEntriesWithAttributes) {
    using Entries = std::vector<std::pair<std::string, unsigned>>;
    const Entries all = {
        {".", PLAT_ATTRIB_DIRECTORY},  {"..", PLAT_ATTRIB_DIRECTORY}, {"B.LWO", 0}, {"c.txt", 0}, {"rock.lwo", 0},
        {"sub", PLAT_ATTRIB_DIRECTORY}};
    EXPECT_EQ(List("MESHES/*.*"), all);  // the directory part resolves too
    EXPECT_EQ(List("meshes/*.lwo"), (Entries{{"B.LWO", 0}, {"rock.lwo", 0}}));
    EXPECT_EQ(List("meshes/?.TXT"), (Entries{{"c.txt", 0}}));
    EXPECT_EQ(List("meshes/r*k.*"), (Entries{{"rock.lwo", 0}}));
    EXPECT_EQ(List("meshes/*.tga"), Entries{});
    EXPECT_EQ(List("nowhere/*.*"), Entries{});
    EXPECT_EQ(List("*.*").back(), (std::pair<std::string, unsigned>{"meshes", PLAT_ATTRIB_DIRECTORY}));

    PlatFindData data{};
    EXPECT_EQ(plat_FindNext(12345, &data), -1);
    // The table of open searches is bounded and its slots come back when closed.
    std::vector<intptr_t> handles;
    for (intptr_t h; handles.size() < 100 && (h = plat_FindFirst("meshes/*.*", &data)) >= 0;) handles.push_back(h);
    EXPECT_LT(handles.size(), 100u);
    for (intptr_t handle : handles) EXPECT_EQ(plat_FindClose(handle), 0);
    EXPECT_EQ(List("meshes/*.*"), all);
}
