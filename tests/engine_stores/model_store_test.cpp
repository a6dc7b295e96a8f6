// The model store: loading through the lwo plug-in, sharing by name, copies,
// the textures and lights derived from surfaces, queries and failures.
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

class ModelStore : public EngineTest {
protected:
    // Loads name from Dir() (objects and textures alike) into handle.
    int Load(int handle, const std::string& name, r_MsgCallback cb = nullptr) {
        std::vector<char> text(name.begin(), name.end());
        text.push_back('\0');
        return r_LoadModel(handle, text.data(), Dir().c_str(), Dir().c_str(), 0, cb);
    }
    void WriteObject(const std::string& name, const std::vector<TestSurface>& surfaces) {
        WriteBytes(Dir() + name, BuildLwob(surfaces));
    }
};

const std::vector<Vector3> kTriangle = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};

template <typename T>
void ExpectSameArray(const T* a, const T* b, int count, const char* what) {
    ASSERT_EQ(a == nullptr, b == nullptr) << what;
    if (a && count > 0) {
        EXPECT_EQ(std::memcmp(a, b, sizeof(T) * size_t(count)), 0) << what;
    }
}

void ExpectSameModel(int first, int second) {
    ASSERT_EQ(r_GetMeshesNum(first, nullptr), r_GetMeshesNum(second, nullptr));
    EXPECT_EQ(r_GetModelRadius(first), r_GetModelRadius(second));
    const Vector3 c1 = r_GetModelCenter(first), c2 = r_GetModelCenter(second);
    EXPECT_EQ(std::memcmp(&c1, &c2, sizeof c1), 0);
    for (int i = 0; i < r_GetMeshesNum(first, nullptr); ++i) {
        const CMesh& a = *r_GetMeshPointer(first, i, nullptr);
        const CMesh& b = *r_GetMeshPointer(second, i, nullptr);
        EXPECT_STREQ(a.name, b.name);
        ASSERT_EQ(a.vertexCount, b.vertexCount);
        ASSERT_EQ(a.indexCount, b.indexCount);
        EXPECT_EQ(a.radius, b.radius);
        EXPECT_EQ(std::memcmp(&a.centre, &b.centre, sizeof a.centre), 0);
        EXPECT_EQ(std::memcmp(a.colour, b.colour, sizeof a.colour), 0);
        ExpectSameArray(a.positions, b.positions, a.vertexCount, "positions");
        ExpectSameArray(a.indices, b.indices, a.indexCount, "indices");
        ExpectSameArray(a.normals, b.normals, a.indexCount, "normals");
        ExpectSameArray(a.faceNormals, b.faceNormals, a.indexCount / 3, "face normals");
        for (int s = 0; s < kMeshTextureSlots; ++s) {
            ExpectSameArray(a.texCoords[s], b.texCoords[s], a.vertexCount, "texture coordinates");
            EXPECT_EQ(a.textureHandles[s], b.textureHandles[s]);
        }
    }
}

TEST_F(ModelStore, CorpusObjectsLoadOnceAndAreSharedByName) {
    int files = 0;
    for (const auto& entry : fs::directory_iterator(TESSALY_CORPUS_DIR "/lwob")) {
        if (entry.path().extension() != ".lwo") continue;
        SCOPED_TRACE(entry.path().filename().string());
        ++files;
        const std::string name = entry.path().filename().string();
        CopyFile(entry.path().string(), Dir() + name);
        Messages().clear();
        const int first = Load(-1, name, Collect);
        ASSERT_GE(first, 0);
        std::string upper = name;
        for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_TRUE(Saw("r_LoadModel : Loaded " + upper + " (index " + std::to_string(first) + ")\n"));
        EXPECT_TRUE(Saw("r_LoadModel : Loading Textures\n"));
        EXPECT_GT(r_GetMeshesNum(first, nullptr), 0);
        EXPECT_GT(r_GetModelRadius(first), 0.0f);

        // The second load copies the first: the file is gone and no plug-in runs.
        fs::remove(Dir() + name);
        Messages().clear();
        const int second = Load(-1, name, Collect);
        ASSERT_GE(second, 0);
        EXPECT_NE(second, first);
        EXPECT_TRUE(Messages().empty());
        ExpectSameModel(first, second);
        // The copy owns its own meshes.
        EXPECT_NE(r_GetMeshPointer(first, 0, nullptr)->positions, r_GetMeshPointer(second, 0, nullptr)->positions);
    }
    EXPECT_EQ(files, 4);
}

TEST_F(ModelStore, MissingJpegTextureLeavesAnEmptyHandle) {
    CopyFile(TESSALY_CORPUS_DIR "/lwob/bluewithcylindrictexz.lwo", Dir() + "blue.lwo");
    const int handle = Load(-1, "blue.lwo", Collect);
    ASSERT_EQ(handle, 0);
    EXPECT_TRUE(Saw("r_LoadTexture : Error, Unknown Format (IMAGE2.JPG)\n"));
    ASSERT_EQ(r_GetSurfNum(handle), 1);
    EXPECT_EQ(r_GetSurfTexturesNum(handle, 0), 1);
    EXPECT_EQ(r_GetSurfTextureIdx(handle, 0, 0), -1);
    EXPECT_EQ(r_GetTexturesNum(), 0);
}

TEST_F(ModelStore, SurfaceTexturesAreLoadedAndShared) {
    WriteTga(Dir() + "wall.tga", 4, 4, 24);
    WriteTga(Dir() + "stone.tga", 8, 2, 32);
    WriteObject("house.lwo", {TestSurface("Walls", kTriangle, "C:\\maps\\wall.tga"),
                              TestSurface("Roof", kTriangle, "stone.tga"),
                              TestSurface("Door", kTriangle, "Wall.tga")});
    const int handle = Load(-1, "house.lwo");
    ASSERT_EQ(handle, 0);
    ASSERT_EQ(r_GetSurfNum(handle), 3);
    const int wall = r_GetSurfTextureIdx(handle, 0, 0);
    const int stone = r_GetSurfTextureIdx(handle, 1, 0);
    EXPECT_GE(wall, 0);
    EXPECT_GE(stone, 0);
    EXPECT_NE(wall, stone);
    EXPECT_EQ(r_GetSurfTextureIdx(handle, 2, 0), wall);
    EXPECT_STREQ(r_GetTextureName(wall), "WALL.TGA");
    EXPECT_STREQ(r_GetTextureDataStr(stone), "8x2x32");
    EXPECT_EQ(r_GetTexturesNum(), 2);
    // The mesh has coordinates for the textured slot only.
    const CMesh* mesh = r_GetMeshPointer(handle, 1, nullptr);
    EXPECT_NE(mesh->texCoords[0], nullptr);
    EXPECT_EQ(mesh->texCoords[1], nullptr);
}

TEST_F(ModelStore, QueriesRefuseBadHandlesAndIndices) {
    WriteObject("pair.lwo", {TestSurface("One", kTriangle), TestSurface("Two", kTriangle)});
    const int handle = Load(-1, "pair.lwo");
    ASSERT_EQ(handle, 0);
    EXPECT_EQ(r_GetMeshesNum(handle, nullptr), 2);
    EXPECT_STREQ(r_GetSurfName(handle, 1), "Two");

    EXPECT_EQ(r_GetMeshPointer(handle, 2, Collect), nullptr);
    EXPECT_EQ(Messages().back(), "r_GetMeshesPointer : Error, Mesh Index Out Of Range (2 , 0 - 1)");
    EXPECT_EQ(r_GetMeshPointer(handle, -1, nullptr), nullptr);
    EXPECT_EQ(r_GetMeshPointer(8, 0, Collect), nullptr);
    EXPECT_EQ(Messages().back(), "r_GetMeshesPointer : Error, Object Handle Out Of Range (8 , 0 - 7)");
    EXPECT_EQ(r_GetMeshesNum(-1, Collect), 0);
    EXPECT_EQ(Messages().back(), "r_GetMeshesNum : Error, Object Handle Out Of Range (-1 , 0 - 7)");

    EXPECT_EQ(r_GetSurfName(handle, 2), nullptr);
    EXPECT_EQ(r_GetSurfName(handle, -1), nullptr);
    EXPECT_EQ(r_GetSurfName(8, 0), nullptr);
    EXPECT_EQ(r_GetSurfTexturesNum(handle, 2), 0);
    EXPECT_EQ(r_GetSurfTexturesNum(8, 0), 0);
    EXPECT_EQ(r_GetSurfTextureIdx(handle, 0, 0), -1);  // no texture in the slot
    EXPECT_EQ(r_GetSurfTextureIdx(handle, 0, 8), -1);
    EXPECT_EQ(r_GetSurfTextureIdx(handle, 0, -1), -1);
    EXPECT_EQ(r_GetSurfTextureIdx(handle, 5, 0), 0);
    EXPECT_EQ(r_GetSurfTextureIdx(-3, 0, 0), 0);
    EXPECT_EQ(r_GetSurfNum(8), 0);
    EXPECT_EQ(r_GetModelRadius(8), 0.0f);
    const Vector3 centre = r_GetModelCenter(-1);
    EXPECT_EQ(centre.x, 0.0f);
    EXPECT_EQ(centre.y, 0.0f);
    EXPECT_EQ(centre.z, 0.0f);
    EXPECT_FLOAT_EQ(r_GetModelCenter(handle).x, 0.5f);
}

TEST_F(ModelStore, LoadFailuresAreReportedAndLeaveTheSlotFree) {
    WriteObject("box.lwo", {TestSurface("Box", kTriangle)});
    ASSERT_EQ(Load(0, "box.lwo"), 0);

    EXPECT_EQ(Load(0, "box.xyz", Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadModel : Error, Unknown Format (BOX.XYZ)\n");
    EXPECT_EQ(r_GetSurfNum(0), 0);  // the failed load cleared the slot

    // The emptied slot no longer answers to its old name: the file is read again.
    ASSERT_EQ(Load(1, "box.lwo"), 1);
    EXPECT_EQ(r_GetSurfNum(1), 1);
    EXPECT_EQ(Load(-1, "nodot", Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadModel : Error, Unknown Format (NODOT)\n");
    EXPECT_EQ(Load(-1, "absent.lwo", Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadModel : Error, Could not open ABSENT.LWO\n");
    Messages().clear();
    EXPECT_EQ(Load(-1, "box.halfplugin", Collect), -1);
    const std::vector<std::string> linkFailure = {
        "Link3DFunctions : Error, Unable to load r_ExportMD from HALFPLUGIN.dll\n",
        "r_LoadModel : Error, Could not properly link HALFPLUGIN.dll\n"};
    EXPECT_EQ(Messages(), linkFailure);
    EXPECT_EQ(Load(8, "box.lwo", Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadModel : Error, Handle Out Of Range (8 , 0 - 7)\n");

    // The plug-in is chosen by the last extension.
    CopyFile(Dir() + "box.lwo", Dir() + "model.r2.lwo");
    EXPECT_EQ(Load(-1, "model.r2.lwo"), 0);

    // Loading a slot with its own name again keeps the model as it is.
    const CMesh* before = r_GetMeshPointer(1, 0, nullptr);
    EXPECT_EQ(Load(1, "BOX.LWO"), 1);
    EXPECT_EQ(r_GetMeshPointer(1, 0, nullptr), before);

    for (int i = 2; i < 8; ++i) ASSERT_EQ(Load(-1, "box.lwo"), i);
    EXPECT_EQ(Load(-1, "box.lwo", Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadModel : Error, Not Enough Objects Allocated\n");

    EXPECT_EQ(r_AllocMaxModels(3, Collect), 0);
    EXPECT_EQ(Messages().back(), "r_AllocMaxModels : 8 Models Already Allocated , use r_FreeAllocatedModels first\n");
    EXPECT_EQ(r_FreeAllocatedModels(Collect), 0);
    EXPECT_EQ(Messages().back(), "r_FreeAllocatedModels : Models Deallocated\n");
    EXPECT_EQ(Load(-1, "box.lwo", Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadModel : Error, Objects Not Allocated\n");
    EXPECT_EQ(r_CopyModel(0, 1, Collect), -1);
    EXPECT_EQ(Messages().back(), "r_CopyModel : Error, Objects Not Allocated\n");
    EXPECT_EQ(r_AllocMaxModels(2, Collect), 0);
    EXPECT_EQ(Messages().back(), "r_AllocMaxModels : Allocated 2 Models\n");
}

TEST_F(ModelStore, CopyMakesAnIndependentModel) {
    WriteObject("a.lwo", {TestSurface("A1", kTriangle), TestSurface("A2", kTriangle)});
    WriteObject("b.lwo", {TestSurface("B1", kTriangle)});
    ASSERT_EQ(Load(0, "a.lwo"), 0);
    ASSERT_EQ(Load(1, "b.lwo"), 1);
    EXPECT_EQ(r_CopyModel(0, 1, Collect), 1);
    ExpectSameModel(0, 1);
    EXPECT_EQ(r_CopyModel(0, 0, nullptr), 0);  // onto itself: nothing changes
    EXPECT_EQ(r_GetSurfNum(0), 2);

    // The copy now answers to the source's name, not to the one it replaced.
    fs::remove(Dir() + "a.lwo");
    EXPECT_EQ(Load(-1, "b.lwo"), 2);
    EXPECT_STREQ(r_GetSurfName(2, 0), "B1");

    EXPECT_EQ(r_CopyModel(8, 1, Collect), -1);
    EXPECT_EQ(Messages().back(), "r_CopyModel : Error, Source Handle Out Of Range (8 , 0 - 7)\n");
    EXPECT_EQ(r_CopyModel(0, -1, Collect), -1);
    EXPECT_EQ(Messages().back(), "r_CopyModel : Error, Destination Handle Out Of Range (-1 , 0 - 7)\n");
}

TEST_F(ModelStore, OverlongModelNamesAreCut) {
    std::string relative;
    for (const char* part : {"x", "y", "z"}) {
        relative += std::string(95, part[0]) + "/";
        fs::create_directory(Dir() + relative);
    }
    relative += "box.lwo";
    WriteObject(relative, {TestSurface("Box", kTriangle)});
    EXPECT_EQ(Load(-1, relative), 0);
    EXPECT_EQ(Load(-1, relative), 1);  // the cut name never matches the whole one
    EXPECT_EQ(r_GetSurfNum(1), 1);
}

}  // namespace
