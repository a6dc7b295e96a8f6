// The generated demo data set, read back as the program reads it: every file
// it loads by name, objects through lwo.so, scenes through the scene library,
// pictures through tga.so and modules through libopenmpt, within the stores'
// capacities, and the same bytes on every run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#include "tests/tools/readers.h"
#include "tools/content/demo_set.h"

namespace {

namespace fs = std::filesystem;
using namespace toolstest;

class DemoSet : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = TempDir("demo_set");
        report = demo::WriteDemoSet(dir);
        for (const auto& entry : fs::directory_iterator(dir + "/meshes"))
            objects[entry.path().filename().string()] = ReadObject(entry.path().string());
    }
    static void TearDownTestSuite() { fs::remove_all(dir); }

    static std::string Path(const std::string& relative) { return dir + "/" + relative; }
    static SceneInfo Scene(const std::string& name) { return ReadScene(Path("scenes/" + name)); }
    static const MeshInfo* Mesh(const std::string& object, const std::string& surface) {
        const auto found = objects.find(object);
        if (found == objects.end()) return nullptr;
        for (const MeshInfo& m : found->second.meshes)
            if (m.name == surface) return &m;
        return nullptr;
    }
    static int DetailLevels(const std::string& object) {
        const std::string base = object.substr(0, object.find('.'));
        int n = 0;
        while (objects.count(base + "_MM" + std::to_string(n + 1) + ".LWO")) ++n;
        return n;
    }

    static inline std::string dir;
    static inline demo::DemoSetReport report;
    static inline std::map<std::string, ObjectInfo> objects;
};

const char* const kScenes[] = {"intromask.lws", "main.lws", "inner.lws", "endtitle.lws"};

TEST_F(DemoSet, WritesEveryFileTheProgramLoadsByName) {
    ASSERT_TRUE(report.ok) << report.problem;
    for (const char* file :
         {"maps/fx_flare.tga", "maps/fx_Phire.tga", "maps/terrain_lake.tga", "images/credits.tga", "music/vdm.it",
          "music/vdm2.it", "scenes/intromask.lws", "scenes/main.lws", "scenes/inner.lws", "scenes/endtitle.lws",
          "meshes/SKY.LWO", "meshes/GLOW.LWO", "meshes/HALFMASK1.LWO", "meshes/HALFMASK2.LWO", "meshes/ENDTITLE.LWO"})
        EXPECT_TRUE(fs::is_regular_file(Path(file))) << file;
    EXPECT_TRUE(fs::is_directory(Path("shots")));
    EXPECT_TRUE(fs::is_empty(Path("shots")));
    EXPECT_EQ(report.files.size(),
              size_t(std::distance(fs::recursive_directory_iterator(dir), {})) - 6);  // minus folders
}

TEST_F(DemoSet, EveryObjectLoadsWithSurfacesTrianglesAndItsTextures) {
    ASSERT_FALSE(objects.empty());
    for (const auto& [name, info] : objects) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(info.loaded);
        ASSERT_FALSE(info.meshes.empty());
        for (const MeshInfo& m : info.meshes) {
            EXPECT_FALSE(m.name.empty());
            EXPECT_GT(m.triangles, 0) << m.name;
            EXPECT_LE(m.vertexCount, 20000) << m.name << ": beyond the program's vertex buffer";
            for (const std::string& texture : m.textureNames)
                EXPECT_TRUE(fs::is_regular_file(Path("maps/" + texture))) << m.name << " uses " << texture;
        }
    }
}

TEST_F(DemoSet, SpecialObjectsAndEffectsCarryTheirSurfaces) {
    const MeshInfo* clouds = Mesh("SKY.LWO", "CLOUDS");
    ASSERT_NE(clouds, nullptr);
    EXPECT_TRUE(clouds->doubleSided);
    ASSERT_FALSE(clouds->velocityX.empty());
    EXPECT_NE(clouds->velocityX[0], 0.0f);  // the clouds drift
    EXPECT_NE(Mesh("GLOW.LWO", "GLOW"), nullptr);
    EXPECT_NE(Mesh("HALFMASK1.LWO", "MASK"), nullptr);
    EXPECT_NE(Mesh("HALFMASK2.LWO", "MASK2"), nullptr);
    EXPECT_NE(Mesh("ENDTITLE.LWO", "ENDSURF"), nullptr);

    std::set<std::string> textures;
    bool additive = false, translucent = false, reflective = false, doubleSided = false, smoothed = false;
    std::set<std::string> lightKinds;
    for (const auto& [name, info] : objects)
        for (const MeshInfo& m : info.meshes) {
            textures.insert(m.textureNames.begin(), m.textureNames.end());
            additive |= m.blendMode == 4;
            translucent |= m.transparency > 0 && m.transparency < 1;
            reflective |= std::count(m.textureKinds.begin(), m.textureKinds.end(), 8) > 0;
            doubleSided |= m.doubleSided;
            smoothed |= m.smoothingAngle > 0 && m.name.rfind("L", 0) != 0;
            for (const char* kind : {"LOMNIP", "LOMNI", "LSPOTP", "LSPOT", "LDISTANTP", "LDISTANT"})
                if (m.name.rfind(kind, 0) == 0) {
                    lightKinds.insert(kind);
                    break;
                }
        }
    EXPECT_TRUE(textures.count("terrain_lake.tga"));  // the water effect's texture
    EXPECT_TRUE(textures.count("fx_Phire.tga"));      // the fire effect's texture
    EXPECT_TRUE(additive && translucent && reflective && doubleSided && smoothed);
    for (const char* kind : {"LOMNIP", "LOMNI", "LSPOTP", "LSPOT", "LDISTANTP"})
        EXPECT_TRUE(lightKinds.count(kind)) << kind;
}

TEST_F(DemoSet, DetailLevelsGetCoarser) {
    for (const char* object : {"ROCK.LWO", "TREE.LWO"}) {
        SCOPED_TRACE(object);
        ASSERT_EQ(DetailLevels(object), 2);
        const std::string base = std::string(object).substr(0, std::string(object).find('.'));
        const auto triangles = [](const ObjectInfo& info) {
            int sum = 0;
            for (const MeshInfo& m : info.meshes) sum += m.triangles;
            return sum;
        };
        int previous = triangles(objects[object]);
        for (int level = 1; level <= 2; ++level) {
            const int count = triangles(objects[base + "_MM" + std::to_string(level) + ".LWO"]);
            EXPECT_LT(count, previous);
            previous = count;
        }
    }
}

// The frames at which the program makes each light track of a slot the view.
struct Window {
    int track, first, last;
};
const std::vector<Window> kMainWindows = {{0, 0, 550},      {1, 550, 740},    {2, 740, 904},    {3, 904, 1060},
                                          {4, 1060, 1225},  {5, 1225, 1464},  {6, 1464, 1626},  {7, 1626, 1790},
                                          {8, 1790, 2112},  {9, 2112, 2442},  {10, 2442, 2772}, {11, 2772, 3096},
                                          {12, 3096, 3366}, {14, 3366, 3500}, {13, 3500, 3699}};
const std::vector<Window> kInnerWindows = {{0, 0, 325}, {1, 325, 792}, {2, 792, 950}, {3, 950, 1100}, {4, 1100, 1274}};

void ExpectViewsCover(const SceneInfo& scene, const std::vector<Window>& windows) {
    for (const Window& w : windows) {
        ASSERT_LT(size_t(w.track), scene.lights.size());
        const std::vector<KeyFrameRecord>& keys = scene.lights[w.track].keys;
        ASSERT_GE(keys.size(), 2u) << "track " << w.track;
        EXPECT_LE(keys.front().frame, w.first) << "track " << w.track;
        EXPECT_GE(keys.back().frame, w.last) << "track " << w.track;
        for (size_t k = 1; k < keys.size(); ++k) EXPECT_LT(keys[k - 1].frame, keys[k].frame) << "track " << w.track;
    }
}

TEST_F(DemoSet, ScenesLoadWithTheirObjectsAndViewTracks) {
    const SceneInfo intro = Scene("intromask.lws");
    ASSERT_TRUE(intro.loaded);
    for (const char* name : {"HALFMASK1.LWO", "HALFMASK2.LWO", "GLOW.LWO"})
        EXPECT_EQ(std::count(intro.objectNames.begin(), intro.objectNames.end(), name), 1) << name;
    ExpectViewsCover(intro, {{0, 0, 399}});

    const SceneInfo main = Scene("main.lws");
    ASSERT_TRUE(main.loaded);
    EXPECT_GE(main.lights.size(), 15u);
    ExpectViewsCover(main, kMainWindows);
    EXPECT_TRUE(std::count(main.objectNames.begin(), main.objectNames.end(), "SKY.LWO"));
    EXPECT_TRUE(
        std::any_of(main.objects.begin(), main.objects.end(), [](const TrackInfo& t) { return t.parent >= 0; }));

    const SceneInfo inner = Scene("inner.lws");
    ASSERT_TRUE(inner.loaded);
    EXPECT_GE(inner.lights.size(), 5u);
    ExpectViewsCover(inner, kInnerWindows);

    const SceneInfo end = Scene("endtitle.lws");
    ASSERT_TRUE(end.loaded);
    EXPECT_TRUE(std::count(end.objectNames.begin(), end.objectNames.end(), "ENDTITLE.LWO"));
    EXPECT_GE(end.lights.size(), 1u);

    for (const char* file : kScenes) {
        const SceneInfo s = Scene(file);
        SCOPED_TRACE(file);
        EXPECT_LE(s.objects.size(), 200u);
        EXPECT_LE(s.lights.size(), 40u);
        EXPECT_EQ(s.cameras.size(), 1u);
        for (const std::string& name : s.objectNames) EXPECT_TRUE(objects.count(name)) << name << " is not in meshes/";
    }
}

// The program loads all four scenes into fixed stores at start-up: 400
// models (detail levels included), 60 lights (the loader keeps every slot's
// model lights) and 100 textures, three of them the fixed effect textures.
TEST_F(DemoSet, TheWholeDemoFitsTheProgramsStores) {
    int models = 0, lights = 0;
    std::set<std::string> textures{"FX_FLARE.TGA", "FX_PHIRE.TGA", "TERRAIN_LAKE.TGA"};
    for (const char* file : kScenes)
        for (const std::string& name : Scene(file).objectNames) {
            models += 1 + DetailLevels(name);
            for (const MeshInfo& m : objects[name].meshes) {
                lights +=
                    m.name.rfind("LOMNI", 0) == 0 || m.name.rfind("LSPOT", 0) == 0 || m.name.rfind("LDISTANT", 0) == 0;
                for (std::string t : m.textureNames) {
                    std::transform(t.begin(), t.end(), t.begin(), ::toupper);
                    textures.insert(t);
                }
            }
        }
    EXPECT_LE(models, 400);
    EXPECT_LE(lights, 60);
    EXPECT_LE(textures.size(), 100u);
}

TEST_F(DemoSet, PicturesReadBackWithTheirSizes) {
    const std::map<std::string, std::pair<int, int>> fixed = {{"maps/fx_flare.tga", {64, 64}},
                                                              {"maps/fx_Phire.tga", {32, 64}},
                                                              {"maps/terrain_lake.tga", {128, 128}},
                                                              {"images/credits.tga", {640, 480}}};
    for (const auto& [file, size] : fixed) {
        const PictureInfo p = ReadPicture(Path(file));
        EXPECT_EQ(p.width, size.first) << file;
        EXPECT_EQ(p.height, size.second) << file;
    }
    const auto powerOfTwo = [](int n) { return n > 0 && (n & (n - 1)) == 0; };
    for (const auto& entry : fs::directory_iterator(Path("maps"))) {
        const PictureInfo p = ReadPicture(entry.path().string());
        EXPECT_TRUE(powerOfTwo(p.width) && powerOfTwo(p.height)) << entry.path();
    }
    // The credits carry light text on a dark ground.
    const PictureInfo credits = ReadPicture(Path("images/credits.tga"));
    const size_t bright =
        std::count_if(credits.pixels.begin(), credits.pixels.end(), [](uint8_t v) { return v > 200; });
    EXPECT_GT(bright, 3000u);
    EXPECT_LT(bright, credits.pixels.size() / 4);
}

TEST_F(DemoSet, ModulesPlayForAboutTheirIntendedLength) {
    const ModuleInfo first = ReadModule(FileBytes(Path("music/vdm.it")));
    ASSERT_TRUE(first.loaded);
    EXPECT_NEAR(first.durationSeconds, 160, 5);
    EXPECT_GT(first.peak, 0.05);
    const ModuleInfo second = ReadModule(FileBytes(Path("music/vdm2.it")));
    ASSERT_TRUE(second.loaded);
    EXPECT_NEAR(second.durationSeconds, 60, 5);
    EXPECT_GT(second.peak, 0.05);
}

TEST_F(DemoSet, TheProgramWritesTheSameBytesOnEveryRun) {
    const std::string other = TempDir("demo_set_again");
    const std::string command = std::string(TESSALY_BIN_DIR) + "/tessaly-make-demo " + other + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    size_t compared = 0;
    for (const std::string& file : report.files) {
        EXPECT_EQ(FileBytes(Path(file)), FileBytes(other + "/" + file)) << file;
        ++compared;
    }
    EXPECT_EQ(compared, report.files.size());
    fs::remove_all(other);
}

TEST(MakeDemoProgram, RefusesAMissingOrUnwritableFolder) {
    const std::string program = std::string(TESSALY_BIN_DIR) + "/tessaly-make-demo";
    EXPECT_NE(std::system((program + " 2> /dev/null").c_str()), 0);
    EXPECT_NE(std::system((program + " /proc/tessaly-demo > /dev/null 2>&1").c_str()), 0);
}

}  // namespace
