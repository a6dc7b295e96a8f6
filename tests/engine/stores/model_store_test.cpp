// The model store over the lwo plug-in: sharing by name, copies, surface
// textures, queries and failures.
#include <cctype>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "store_test_support.h"
#include "tessaly/engine_api.h"

namespace {

using namespace storetest;
namespace fs = std::filesystem;

const std::vector<Vector3> kTriangle = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};

class ModelStore : public EngineTest {
protected:
    int Load(int handle, const std::string& name, r_MsgCallback cb = nullptr) {
        std::vector<char> text(name.begin(), name.end());
        text.push_back('\0');
        return r_LoadModel(handle, text.data(), Dir().c_str(), Dir().c_str(), 0, cb);
    }
    void Write(const std::string& name, const std::vector<TestSurface>& surfaces) {
        WriteBytes(Dir() + name, BuildLwob(surfaces));
    }
};

template <typename T>
bool Same(const T* a, const T* b, int count) {
    return a == b || (a && b && std::memcmp(a, b, sizeof(T) * size_t(count)) == 0);
}

void ExpectSameModel(int first, int second) {
    ASSERT_EQ(r_GetMeshesNum(first, nullptr), r_GetMeshesNum(second, nullptr));
    EXPECT_EQ(r_GetModelRadius(first), r_GetModelRadius(second));
    for (int i = 0; i < r_GetMeshesNum(first, nullptr); ++i) {
        const CMesh& a = *r_GetMeshPointer(first, i, nullptr);
        const CMesh& b = *r_GetMeshPointer(second, i, nullptr);
        EXPECT_NE(a.positions, b.positions);  // each model owns its arrays
        ASSERT_EQ(a.vertexCount, b.vertexCount);
        ASSERT_EQ(a.indexCount, b.indexCount);
        EXPECT_TRUE(Same(a.positions, b.positions, a.vertexCount) && Same(a.indices, b.indices, a.indexCount) &&
                    Same(a.normals, b.normals, a.indexCount) && Same(a.texCoords[0], b.texCoords[0], a.vertexCount));
        EXPECT_EQ(std::memcmp(a.textureHandles, b.textureHandles, sizeof a.textureHandles), 0);
    }
}

TEST_F(ModelStore, CorpusObjectsLoadOnceAndAreSharedByName) {
    int files = 0;
    for (const auto& entry : fs::directory_iterator(TESSALY_CORPUS_DIR "/lwob")) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".lwo") continue;
        SCOPED_TRACE(name);
        ++files;
        fs::copy_file(entry.path(), Dir() + name);
        std::string upper = name;
        for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
        Messages().clear();
        const int first = Load(-1, name, Collect);
        ASSERT_GE(first, 0);
        EXPECT_TRUE(Saw("r_LoadModel : Loaded " + upper + " (index " + std::to_string(first) + ")\n"));
        EXPECT_TRUE(Saw("r_LoadModel : Loading Textures\n"));
        EXPECT_GT(r_GetModelRadius(first), 0.0f);

        // The file is gone: the second load can only copy the first.
        fs::remove(Dir() + name);
        Messages().clear();
        const int second = Load(-1, name, Collect);
        EXPECT_EQ(second, first + 1);
        EXPECT_TRUE(Messages().empty());
        ExpectSameModel(first, second);
    }
    EXPECT_EQ(files, 4);
}

TEST_F(ModelStore, SurfaceTexturesAreLoadedOrLeftEmpty) {
    WriteTga(Dir() + "wall.tga", 4, 4, 24);
    WriteTga(Dir() + "stone.tga", 8, 2, 32);
    Write("house.lwo", {{.name = "Walls", .triangle = kTriangle, .image = "C:\\maps\\wall.tga"},
                        {.name = "Roof", .triangle = kTriangle, .image = "stone.tga"},
                        {.name = "Door", .triangle = kTriangle, .image = "Wall.tga"}});
    ASSERT_EQ(Load(-1, "house.lwo"), 0);
    const int wall = r_GetSurfTextureIdx(0, 0, 0), stone = r_GetSurfTextureIdx(0, 1, 0);
    EXPECT_STREQ(r_GetTextureName(wall), "WALL.TGA");
    EXPECT_STREQ(r_GetTextureDataStr(stone), "8x2x32");
    EXPECT_EQ(r_GetSurfTextureIdx(0, 2, 0), wall);
    EXPECT_EQ(r_GetTexturesNum(), 2);

    // The corpus cube names a JPEG picture that is not there.
    fs::copy_file(TESSALY_CORPUS_DIR "/lwob/bluewithcylindrictexz.lwo", Dir() + "blue.lwo");
    ASSERT_EQ(Load(-1, "blue.lwo", Collect), 1);
    EXPECT_TRUE(Saw("r_LoadTexture : Error, Could not open file " + Dir() + "IMAGE2.JPG\n"));
    EXPECT_EQ(r_GetSurfTexturesNum(1, 0), 1);
    EXPECT_EQ(r_GetSurfTextureIdx(1, 0, 0), -1);
}

TEST_F(ModelStore, QueriesRefuseBadHandlesAndIndices) {
    Write("pair.lwo", {{.name = "One", .triangle = kTriangle}, {.name = "Two", .triangle = kTriangle}});
    ASSERT_EQ(Load(-1, "pair.lwo"), 0);
    EXPECT_STREQ(r_GetSurfName(0, 1), "Two");
    EXPECT_FLOAT_EQ(r_GetModelCenter(0).x, 0.5f);
    EXPECT_EQ(r_GetMeshPointer(0, 2, Collect), nullptr);
    EXPECT_EQ(Messages().back(), "r_GetMeshesPointer : Error, Mesh Index Out Of Range (2 , 0 - 1)");
    EXPECT_EQ(r_GetMeshPointer(8, 0, Collect), nullptr);
    EXPECT_EQ(Messages().back(), "r_GetMeshesPointer : Error, Object Handle Out Of Range (8 , 0 - 7)");
    EXPECT_EQ(r_GetMeshesNum(-1, Collect), 0);
    EXPECT_EQ(Messages().back(), "r_GetMeshesNum : Error, Object Handle Out Of Range (-1 , 0 - 7)");
    EXPECT_EQ(r_GetSurfName(0, 2), nullptr);
    EXPECT_EQ(r_GetSurfTexturesNum(0, 2), 0);
    EXPECT_EQ(r_GetSurfTextureIdx(0, 0, 8), -1);
    EXPECT_EQ(r_GetSurfTextureIdx(0, 5, 0), 0);
    EXPECT_EQ(r_GetModelCenter(-1).z, 0.0f);
}

TEST_F(ModelStore, FailedLoadsLeaveTheSlotFreeAndNameless) {
    Write("box.lwo", {{.name = "Box", .triangle = kTriangle}});
    ASSERT_EQ(Load(0, "box.lwo"), 0);
    EXPECT_EQ(Load(0, "box.xyz", Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadModel : Error, Unknown Format (BOX.XYZ)\n");
    EXPECT_EQ(r_GetSurfNum(0), 0);
    ASSERT_EQ(Load(1, "box.lwo"), 1);  // read again, not copied from the emptied slot
    EXPECT_EQ(r_GetSurfNum(1), 1);

    EXPECT_EQ(Load(-1, "nodot", Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadModel : Error, Unknown Format (NODOT)\n");
    EXPECT_EQ(Load(-1, "absent.lwo", Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadModel : Error, Could not open ABSENT.LWO\n");
    EXPECT_EQ(Load(8, "box.lwo", Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadModel : Error, Handle Out Of Range (8 , 0 - 7)\n");
    Messages().clear();
    // A name with an extension and no plug-in for it names the missing plug-in
    // once; a name without one is only an unknown format.
    static std::vector<std::string> reports;
    r_SetReportCallback([](const char* text) {
        reports.emplace_back(text);
        return 0;
    });
    EXPECT_EQ(Load(-1, "box.nosuchformat", Collect), -1);
    EXPECT_EQ(Load(-1, "nodotatall", Collect), -1);
    r_SetReportCallback(nullptr);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].rfind("Plug-in NOSUCHFORMAT.dll cannot be loaded", 0), 0u) << reports[0];
    Messages().clear();
    EXPECT_EQ(Load(-1, "box.halfplugin", Collect), -1);
    const std::vector<std::string> linkFailure = {
        "Link3DFunctions : Error, Unable to load r_ExportMD from HALFPLUGIN.dll\n",
        "r_LoadModel : Error, Could not properly link HALFPLUGIN.dll\n"};
    EXPECT_EQ(Messages(), linkFailure);

    fs::copy_file(Dir() + "box.lwo", Dir() + "model.r2.lwo");  // the last extension picks the plug-in
    EXPECT_EQ(Load(-1, "model.r2.lwo"), 0);
    for (int i = 2; i < 8; ++i) ASSERT_EQ(Load(-1, "box.lwo"), i);
    EXPECT_EQ(Load(-1, "box.lwo", Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadModel : Error, Not Enough Objects Allocated\n");
    r_AllocMaxModels(3, Collect);
    EXPECT_EQ(Messages().back(), "r_AllocMaxModels : 8 Models Already Allocated , use r_FreeAllocatedModels first\n");
    r_FreeAllocatedModels(nullptr);
    EXPECT_EQ(Load(-1, "box.lwo", Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadModel : Error, Objects Not Allocated\n");
}

TEST_F(ModelStore, CopiesAreIndependentAndTakeTheName) {
    Write("a.lwo", {{.name = "A1", .triangle = kTriangle}, {.name = "A2", .triangle = kTriangle}});
    Write("b.lwo", {{.name = "B1", .triangle = kTriangle}});
    ASSERT_EQ(Load(0, "a.lwo"), 0);
    ASSERT_EQ(Load(1, "b.lwo"), 1);
    EXPECT_EQ(r_CopyModel(0, 1, nullptr), 1);
    ExpectSameModel(0, 1);
    EXPECT_EQ(r_CopyModel(0, 0, nullptr), 0);  // onto itself: unchanged
    EXPECT_EQ(r_GetSurfNum(0), 2);
    EXPECT_EQ(Load(-1, "b.lwo"), 2);  // slot 1 no longer answers to B.LWO
    EXPECT_STREQ(r_GetSurfName(2, 0), "B1");
    EXPECT_EQ(r_CopyModel(8, 1, Collect), -1);
    EXPECT_EQ(Messages().back(), "r_CopyModel : Error, Source Handle Out Of Range (8 , 0 - 7)\n");
    EXPECT_EQ(r_CopyModel(0, -1, Collect), -1);
    EXPECT_EQ(Messages().back(), "r_CopyModel : Error, Destination Handle Out Of Range (-1 , 0 - 7)\n");
}

}  // namespace
