// Texture and image stores over the tga plug-in and the real back-end.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "store_test_support.h"
#include "tessaly/engine_api.h"

namespace {

using namespace storetest;

class PictureStores : public EngineTest {
protected:
    int LoadTexture(int handle, const std::string& name, r_MsgCallback cb = nullptr) {
        text_.assign(name.begin(), name.end());
        text_.push_back('\0');
        return r_LoadTexture(handle, text_.data(), Dir().c_str(), 0, cb);
    }
    std::vector<char> text_;  // the name as the engine left it
};

TEST_F(PictureStores, TexturesAreSharedByNameAndReloadedByHandle) {
    WriteTga(Dir() + "wall.tga", 8, 4, 24);
    ASSERT_EQ(LoadTexture(-1, "wall.tga", Collect), 0);
    EXPECT_STREQ(text_.data(), "WALL.TGA");  // upper-cased in place
    EXPECT_STREQ(r_GetTextureName(0), "WALL.TGA");
    EXPECT_EQ(Messages().back(), "r_LoadTexture : Loaded WALL.TGA (index 0)\n");

    // Sharing by name reads nothing, even though the file has changed.
    WriteTga(Dir() + "wall.tga", 256, 256, 16);
    Messages().clear();
    EXPECT_EQ(LoadTexture(-1, "Wall.Tga", Collect), 0);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(r_GetTexturesNum(), 1);
    EXPECT_STREQ(r_GetTextureDataStr(0), "8x4x24");

    // An explicit handle reads the file again; 16-bit files arrive as 24 bits.
    EXPECT_EQ(LoadTexture(0, "wall.tga"), 0);
    EXPECT_STREQ(r_GetTextureDataStr(0), "256x256x24");
    EXPECT_EQ(r_GetTexturesNum(), 2);

    EXPECT_STREQ(r_GetTextureDataStr(16), "0x0x0");
    EXPECT_EQ(r_GetTextureName(-1), nullptr);
    int w = 9, h = 9, pitch = 9, bits = 9;
    EXPECT_EQ(r_LockTexturePointer(16, &w, &h, &pitch, &bits), nullptr);
    EXPECT_EQ(w + h + pitch + bits, 0);
    EXPECT_NE(r_LockTexturePointer(0, &w, &h, &pitch, &bits), nullptr);
    EXPECT_EQ(w * 1000 + h, 256256);
    r_ReleaseTexturePointer(0, 0);
}

TEST_F(PictureStores, TextureFailuresKeepTheSlot) {
    WriteTga(Dir() + "keep.tga", 4, 4, 24);
    ASSERT_EQ(LoadTexture(3, "keep.tga"), 3);
    EXPECT_EQ(LoadTexture(3, "picture.xyz", Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadTexture : Error, Unknown Format (PICTURE.XYZ)\n");
    EXPECT_EQ(LoadTexture(3, "absent.tga", Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadTexture : Error, Could not open file " + Dir() + "ABSENT.TGA\n");
    EXPECT_EQ(LoadTexture(16, "keep.tga", Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadTexture : Error, Handle Out Of Range (16 , 0 - 15)\n");
    Messages().clear();
    EXPECT_EQ(LoadTexture(3, "picture.halfplugin", Collect), -1);
    const std::vector<std::string> linkFailure = {
        "Link2DFunctions : Error, Unable to load r_GetImageData from HALFPLUGIN.dll\n",
        "r_LoadTexture : Error, Could not properly link HALFPLUGIN.dll\n"};
    EXPECT_EQ(Messages(), linkFailure);
    EXPECT_STREQ(r_GetTextureName(3), "KEEP.TGA");
    EXPECT_STREQ(r_GetTextureDataStr(3), "4x4x24");
}

TEST_F(PictureStores, FullStoreAndANewStoreAfterTheFree) {
    for (int i = 0; i < 16; ++i) {
        const std::string name = "t" + std::to_string(i) + ".tga";
        WriteTga(Dir() + name, 2, 2, 24);
        ASSERT_EQ(LoadTexture(-1, name), i);
    }
    EXPECT_EQ(LoadTexture(-1, "t0b.tga", Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadTexture : Error, Not Enough Room To Load Texture\n");
    EXPECT_EQ(r_AllocMaxTextures(4, Collect), -1);
    EXPECT_EQ(Messages().back(),
              "r_AllocMaxTextures : 16 Textures Already Allocated , use r_FreeAllocatedTextures first\n");

    // The free releases the back-end's store too, so a new one can be made.
    EXPECT_EQ(r_FreeAllocatedTextures(nullptr), 0);
    EXPECT_EQ(LoadTexture(-1, "t1.tga", Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadTexture : Error, Textures Not Allocated\n");
    EXPECT_EQ(r_AllocMaxTextures(2, Collect), 0);
    EXPECT_EQ(Messages().back(), "r_AllocMaxTextures : Allocated 2 Textures\n");
    EXPECT_EQ(LoadTexture(-1, "t1.tga"), 0);
    EXPECT_EQ(r_GetTexturesNum(), 1);
}

TEST_F(PictureStores, ImagesFailWhenThePictureCannotBeRead) {
    WriteTga(Dir() + "title.tga", 32, 8, 24);
    EXPECT_EQ(r_LoadImage(-1, "title.tga", Dir().c_str(), 0, Collect), 0);
    EXPECT_EQ(Messages().back(), "r_LoadImage : Loaded title.tga (index 0)\n");
    EXPECT_EQ(r_LoadImage(-1, "nothere.tga", Dir().c_str(), 0, Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadImage : Error, Could not open file " + Dir() + "nothere.tga\n");
    EXPECT_EQ(r_LoadImage(-1, "title.xyz", Dir().c_str(), 0, Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadImage : Error, Unknown Format (title.xyz)\n");
    EXPECT_EQ(r_LoadImage(-1, "title.tga", Dir().c_str(), 0, nullptr), 1);  // the failures took no slot

    EXPECT_EQ(r_FreeAllocatedImages(Collect), 0);
    EXPECT_EQ(Messages().back(), "r_FreeAllocatedImages : Images Deallocated\n");
    EXPECT_EQ(r_AllocMaxImages(1, nullptr), 0);
    EXPECT_EQ(r_LoadImage(-1, "title.tga", Dir().c_str(), 0, nullptr), 0);
    EXPECT_EQ(r_LoadImage(-1, "title.tga", Dir().c_str(), 0, Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadImage : Error, Not Enough Room To Load Image\n");
}

TEST_F(PictureStores, OverlongNamesAreCutWhenStored) {
    std::string name;
    for (char part : {'a', 'b', 'c'}) {
        name += std::string(95, part) + "/";
        std::filesystem::create_directory(Dir() + name);
    }
    WriteTga(Dir() + name + "wall.tga", 2, 2, 24);
    ASSERT_EQ(LoadTexture(-1, name + "wall.tga"), 0);
    const std::string whole = text_.data();
    EXPECT_EQ(whole.size(), 3 * 96 + 8u);
    EXPECT_EQ(r_GetTextureName(0), whole.substr(0, 255));
}

}  // namespace
