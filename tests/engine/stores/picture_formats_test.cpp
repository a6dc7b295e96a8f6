// Pictures in PNG and JPEG through the engine: the corpus pictures as
// textures, the textures of a corpus object, PNG screenshots.
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "store_test_support.h"
#include "tessaly/engine_api.h"

namespace {

using namespace storetest;
namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

class PictureFormats : public EngineTest {
protected:
    int LoadTexture(const std::string& name, const std::string& dir, r_MsgCallback cb = nullptr) {
        std::vector<char> text(name.begin(), name.end());
        text.push_back('\0');
        return r_LoadTexture(-1, text.data(), dir.c_str(), 0, cb);
    }
};

TEST_F(PictureFormats, CorpusJpegAndPngPicturesLoadAsTextures) {
    const std::string earth = TESSALY_CORPUS_DIR "/lwo2/MappingModes/", boxes = TESSALY_CORPUS_DIR "/lwo2/";
    const int cylindric = LoadTexture("earthCylindric.jpg", earth, Collect);
    ASSERT_GE(cylindric, 0);
    EXPECT_STREQ(r_GetTextureDataStr(cylindric), "2048x1024x24");
    EXPECT_TRUE(Saw("r_LoadTexture : Loaded EARTHCYLINDRIC.JPG (index " + std::to_string(cylindric) + ")\n"));
    EXPECT_STREQ(r_GetTextureDataStr(LoadTexture("earthSpherical.jpg", earth)), "2048x1024x24");
    EXPECT_STREQ(r_GetTextureDataStr(LoadTexture("boxuv.png", boxes)), "512x512x24");
    EXPECT_STREQ(r_GetTextureDataStr(LoadTexture("uvtest.png", boxes)), "512x512x24");
    EXPECT_EQ(r_GetTexturesNum(), 4);

    // A damaged picture: the plug-in's line, then the store's own.
    const Bytes whole = [&] {
        std::vector<uint8_t> b(fs::file_size(boxes + "uvtest.png"));
        std::FILE* f = std::fopen((boxes + "uvtest.png").c_str(), "rb");
        EXPECT_EQ(std::fread(b.data(), 1, b.size(), f), b.size());
        std::fclose(f);
        return b;
    }();
    WriteBytes(Dir() + "cut.png", Bytes(whole.begin(), whole.begin() + long(whole.size() / 2)));
    Messages().clear();
    EXPECT_EQ(LoadTexture("cut.png", Dir(), Collect), -1);
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[0],
              "png.dll r_Load2D : Error, " + Dir() + "CUT.PNG is not a readable PNG file: file ends early\n");
    EXPECT_EQ(Messages()[1], "r_LoadTexture : Error, Could not open file " + Dir() + "CUT.PNG\n");
}

TEST_F(PictureFormats, CorpusObjectGetsItsJpegTexture) {
    // The cube names C:\...\IMAGE2.jpg; a JPEG of that name beside it is its texture.
    fs::copy_file(TESSALY_CORPUS_DIR "/lwob/bluewithcylindrictexz.lwo", Dir() + "blue.lwo");
    fs::copy_file(TESSALY_CORPUS_DIR "/lwo2/MappingModes/earthSpherical.jpg", Dir() + "IMAGE2.jpg");
    char name[] = "blue.lwo";
    const int model = r_LoadModel(-1, name, Dir().c_str(), Dir().c_str(), 0, Collect);
    ASSERT_GE(model, 0);
    ASSERT_EQ(r_GetSurfTexturesNum(model, 0), 1);
    const int texture = r_GetSurfTextureIdx(model, 0, 0);
    ASSERT_GE(texture, 0);
    EXPECT_STREQ(r_GetTextureName(texture), "IMAGE2.JPG");
    EXPECT_STREQ(r_GetTextureDataStr(texture), "2048x1024x24");
}

TEST_F(PictureFormats, CorpusLwo2ObjectsGetEveryTexture) {
    int objects = 0, textured = 0;
    for (const char* folder : {"/lwo2/", "/lwo2/MappingModes/"}) {
        const std::string dir = TESSALY_CORPUS_DIR + std::string(folder);
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (entry.path().extension() != ".lwo") continue;
            const std::string name = entry.path().filename().string();
            SCOPED_TRACE(name);
            // Eight model slots: start each object with an empty store.
            r_FreeAllocatedModels(nullptr);
            ASSERT_EQ(r_AllocMaxModels(8, nullptr), 0);
            std::vector<char> text(name.begin(), name.end());
            text.push_back('\0');
            Messages().clear();
            const int model = r_LoadModel(-1, text.data(), dir.c_str(), dir.c_str(), 0, Collect);
            ASSERT_GE(model, 0);
            ++objects;
            // One object names a picture "any_texture" that is not in the corpus.
            const bool missing = name == "box_2uv_1unused.lwo";
            bool any = false;
            for (int mesh = 0; mesh < r_GetMeshesNum(model, nullptr); ++mesh)
                for (int slot = 0; slot < r_GetSurfTexturesNum(model, mesh); ++slot) {
                    EXPECT_EQ(r_GetSurfTextureIdx(model, mesh, slot) >= 0, !missing) << mesh << " " << slot;
                    any = true;
                }
            textured += any && !missing;
            for (const std::string& m : Messages()) {
                if (m.find("Error") != std::string::npos) {
                    EXPECT_TRUE(missing && m == "r_LoadTexture : Error, Unknown Format (ANY_TEXTURE)\n") << m;
                }
            }
        }
    }
    EXPECT_EQ(objects, 22);
    EXPECT_EQ(textured, 18);           // the 16 earth spheres, boxuv and uvtest
    EXPECT_EQ(r_GetTexturesNum(), 4);  // two earth JPEGs and two PNGs, shared by name
}

TEST_F(PictureFormats, PngScreenshotsHoldTheSamePixelsAsTgaOnes) {
    ASSERT_EQ(r_ClearScreen(0x336699, nullptr), 0);
    r_SysPrint("Tessaly 0123456789", 20, 30, 0xFFEE00);
    ASSERT_EQ(r_ScreenShot("ts", "tga", Dir().c_str(), 0, Collect), 0);
    ASSERT_EQ(r_ScreenShot("ts", "png", Dir().c_str(), 0, Collect), 0);
    ASSERT_EQ(r_ScreenShot("ts", "png", Dir().c_str(), 0, Collect), 0);
    EXPECT_TRUE(fs::exists(Dir() + "ts000.tga"));
    EXPECT_TRUE(fs::exists(Dir() + "ts000.png"));  // each type numbers its own files
    EXPECT_TRUE(fs::exists(Dir() + "ts001.png"));

    const int tga = LoadTexture("ts000.tga", Dir()), png = LoadTexture("ts001.png", Dir());
    ASSERT_GE(tga, 0);
    ASSERT_GE(png, 0);
    EXPECT_STREQ(r_GetTextureDataStr(png), "640x480x24");
    int w[2], h[2], pitch[2], bits[2];
    const uint8_t* a = r_LockTexturePointer(tga, &w[0], &h[0], &pitch[0], &bits[0]);
    std::vector<uint8_t> first(a, a + size_t(pitch[0]) * h[0]);
    r_ReleaseTexturePointer(tga, 0);
    const uint8_t* b = r_LockTexturePointer(png, &w[1], &h[1], &pitch[1], &bits[1]);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(std::memcmp(first.data(), b, first.size()), 0);
    r_ReleaseTexturePointer(png, 0);
    EXPECT_NE(std::memcmp(first.data(), first.data() + first.size() / 2, first.size() / 2), 0);  // not one colour
}

}  // namespace
