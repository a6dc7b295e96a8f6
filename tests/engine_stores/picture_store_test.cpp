// Texture and image stores: loading through the tga plug-in, name sharing,
// the engine's copy of the pixels, failures and store life cycle.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "store_test_support.h"
#include "tessaly/engine_api.h"

namespace {

using namespace storetest;

class PictureStores : public EngineTest {};

std::string Size(int handle) {
    int w = -1, h = -1, bits = -1;
    r_GetTextureData(handle, &w, &h, &bits);
    return std::to_string(w) + "x" + std::to_string(h) + "x" + std::to_string(bits);
}

TEST_F(PictureStores, TextureIsSharedByNameAndReloadedByHandle) {
    WriteTga(Dir() + "wall.tga", 8, 4, 24);
    char name[] = "wall.tga";
    const int handle = r_LoadTexture(-1, name, Dir().c_str(), 0, Collect);
    ASSERT_EQ(handle, 0);
    EXPECT_STREQ(name, "WALL.TGA");  // upper-cased in place
    EXPECT_STREQ(r_GetTextureName(handle), "WALL.TGA");
    EXPECT_TRUE(Saw("r_LoadTexture : Loaded WALL.TGA (index 0)\n"));
    EXPECT_EQ(r_GetTexturesNum(), 1);

    // The file changes: sharing by name does not read it again...
    WriteTga(Dir() + "wall.tga", 16, 16, 32);
    Messages().clear();
    char again[] = "Wall.Tga";
    EXPECT_EQ(r_LoadTexture(-1, again, Dir().c_str(), 0, Collect), handle);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(r_GetTexturesNum(), 1);
    EXPECT_EQ(Size(handle), "8x4x24");

    // ...an explicit handle does, into that slot.
    EXPECT_EQ(r_LoadTexture(handle, again, Dir().c_str(), 0, nullptr), handle);
    EXPECT_EQ(Size(handle), "16x16x32");
    EXPECT_EQ(r_GetTexturesNum(), 2);

    // Another name takes the next free slot.
    WriteTga(Dir() + "stone.tga", 2, 2, 24);
    char other[] = "stone.tga";
    EXPECT_EQ(r_LoadTexture(-1, other, Dir().c_str(), 0, nullptr), 1);
}

TEST_F(PictureStores, SizesAreReportedAsTheRecordHoldsThem) {
    // The tga plug-in hands 16-bit files over as 24-bit pixels.
    WriteTga(Dir() + "big.tga", 256, 256, 16);
    char name[] = "big.tga";
    const int handle = r_LoadTexture(-1, name, Dir().c_str(), 0, nullptr);
    ASSERT_GE(handle, 0);
    EXPECT_STREQ(r_GetTextureDataStr(handle), "256x256x24");
    EXPECT_STREQ(r_GetTextureDataStr(-1), "0x0x0");
    EXPECT_STREQ(r_GetTextureDataStr(16), "0x0x0");
    EXPECT_EQ(Size(99), "0x0x0");
    EXPECT_EQ(r_GetTextureName(16), nullptr);
    EXPECT_EQ(r_GetTextureName(-1), nullptr);
    EXPECT_STREQ(r_GetTextureName(5), "");  // in range, never loaded
}

TEST_F(PictureStores, TextureFailuresAreReportedAndKeepTheSlot) {
    WriteTga(Dir() + "keep.tga", 4, 4, 24);
    char keep[] = "keep.tga";
    ASSERT_EQ(r_LoadTexture(3, keep, Dir().c_str(), 0, nullptr), 3);

    char unknown[] = "picture.xyz";
    EXPECT_EQ(r_LoadTexture(3, unknown, Dir().c_str(), 0, Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadTexture : Error, Unknown Format (PICTURE.XYZ)\n");

    char missing[] = "absent.tga";
    EXPECT_EQ(r_LoadTexture(3, missing, Dir().c_str(), 0, Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadTexture : Error, Could not open file " + Dir() + "ABSENT.TGA\n");

    WriteBytes(Dir() + "broken.tga", {0, 0, 2, 0, 0});
    char broken[] = "broken.tga";
    EXPECT_EQ(r_LoadTexture(3, broken, Dir().c_str(), 0, Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadTexture : Error, Could not open file " + Dir() + "BROKEN.TGA\n");

    char half[] = "picture.halfplugin";
    Messages().clear();
    EXPECT_EQ(r_LoadTexture(3, half, Dir().c_str(), 0, Collect), -1);
    const std::vector<std::string> linkFailure = {
        "Link2DFunctions : Error, Unable to load r_GetImageData from HALFPLUGIN.dll\n",
        "r_LoadTexture : Error, Could not properly link HALFPLUGIN.dll\n"};
    EXPECT_EQ(Messages(), linkFailure);

    EXPECT_EQ(r_LoadTexture(16, keep, Dir().c_str(), 0, Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadTexture : Error, Handle Out Of Range (16 , 0 - 15)\n");

    // Nothing of this touched slot 3 or the count.
    EXPECT_STREQ(r_GetTextureName(3), "KEEP.TGA");
    EXPECT_EQ(Size(3), "4x4x24");
    EXPECT_EQ(r_GetTexturesNum(), 1);
}

TEST_F(PictureStores, TextureStoreFillsUpAndComesBack) {
    for (int i = 0; i < 16; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "t%d.tga", i);
        WriteTga(Dir() + name, 2, 2, 24, uint8_t(i));
        ASSERT_EQ(r_LoadTexture(-1, name, Dir().c_str(), 0, nullptr), i);
    }
    char extra[] = "t0b.tga";
    EXPECT_EQ(r_LoadTexture(-1, extra, Dir().c_str(), 0, Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadTexture : Error, Not Enough Room To Load Texture\n");

    EXPECT_EQ(r_AllocMaxTextures(4, Collect), -1);
    EXPECT_EQ(Messages().back(),
              "r_AllocMaxTextures : 16 Textures Already Allocated , use r_FreeAllocatedTextures first\n");

    // Freeing releases the back-end's store too, so a new store works at once.
    EXPECT_EQ(r_FreeAllocatedTextures(Collect), 0);
    EXPECT_EQ(Messages().back(), "r_FreeAllocatedTextures : Textures Deallocated\n");
    char name[] = "t1.tga";
    EXPECT_EQ(r_LoadTexture(-1, name, Dir().c_str(), 0, Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadTexture : Error, Textures Not Allocated\n");
    EXPECT_EQ(r_AllocMaxTextures(2, Collect), 0);
    EXPECT_EQ(Messages().back(), "r_AllocMaxTextures : Allocated 2 Textures\n");
    EXPECT_EQ(r_LoadTexture(-1, name, Dir().c_str(), 0, nullptr), 0);
    EXPECT_STREQ(r_GetTextureName(1), "");
}

TEST_F(PictureStores, LockReachesTheBackEndOnlyInRange) {
    WriteTga(Dir() + "lock.tga", 4, 2, 24);
    char name[] = "lock.tga";
    ASSERT_EQ(r_LoadTexture(-1, name, Dir().c_str(), 0, nullptr), 0);
    int w = 99, h = 99, pitch = 99, bits = 99;
    EXPECT_EQ(r_LockTexturePointer(16, &w, &h, &pitch, &bits), nullptr);
    EXPECT_EQ(w + h + pitch + bits, 0);
    EXPECT_NE(r_LockTexturePointer(0, &w, &h, &pitch, &bits), nullptr);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(bits, 24);
    EXPECT_EQ(r_ReleaseTexturePointer(0, 0), 0);
}

TEST_F(PictureStores, ImagesLoadIntoFreeSlotsAndFailWhenUnreadable) {
    WriteTga(Dir() + "title.tga", 32, 8, 24);
    EXPECT_EQ(r_LoadImage(-1, "title.tga", Dir().c_str(), 0, Collect), 0);
    EXPECT_EQ(Messages().back(), "r_LoadImage : Loaded title.tga (index 0)\n");

    // A picture that cannot be read is a failure, and the slot stays free.
    EXPECT_EQ(r_LoadImage(-1, "nothere.tga", Dir().c_str(), 0, Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadImage : Error, Could not open file " + Dir() + "nothere.tga\n");
    EXPECT_EQ(r_LoadImage(-1, "title.tga", Dir().c_str(), 0, nullptr), 1);

    EXPECT_EQ(r_LoadImage(-1, "title.png", Dir().c_str(), 0, Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadImage : Error, Unknown Format (title.png)\n");
    EXPECT_EQ(r_LoadImage(4, "title.tga", Dir().c_str(), 0, Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadImage : Error, Handle Out Of Range (4 , 0 - 3)\n");
    EXPECT_EQ(r_LoadImage(3, "title.tga", Dir().c_str(), 0, nullptr), 3);
    EXPECT_EQ(r_LoadImage(-1, "title.tga", Dir().c_str(), 0, nullptr), 2);
    EXPECT_EQ(r_LoadImage(-1, "title.tga", Dir().c_str(), 0, Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadImage : Error, Not Enough Room To Load Image\n");

    EXPECT_EQ(r_AllocMaxImages(2, Collect), -1);
    EXPECT_EQ(Messages().back(), "r_AllocMaxImages : 4 Images Already Allocated , use r_FreeAllocatedImages first\n");
    EXPECT_EQ(r_FreeAllocatedImages(Collect), 0);
    EXPECT_EQ(Messages().back(), "r_FreeAllocatedImages : Images Deallocated\n");
    EXPECT_EQ(r_LoadImage(-1, "title.tga", Dir().c_str(), 0, Collect), -1);
    EXPECT_EQ(Messages().back(), "r_LoadImage : Error, Images Not Allocated\n");
    EXPECT_EQ(r_AllocMaxImages(1, nullptr), 0);
    EXPECT_EQ(r_LoadImage(-1, "title.tga", Dir().c_str(), 0, nullptr), 0);
}

TEST_F(PictureStores, OverlongNamesAreCutWhenStored) {
    // A name of 300 characters through three directories the store cannot
    // keep whole: it is stored cut to 255.
    std::string relative;
    for (const char* part : {"a", "b", "c"}) {
        relative += std::string(95, part[0]) + "/";
        std::filesystem::create_directory(Dir() + relative);
    }
    relative += "wall.tga";
    WriteTga(Dir() + relative, 2, 2, 24);
    std::string name = relative;
    ASSERT_GT(name.size(), 255u);
    const int handle = r_LoadTexture(-1, name.data(), Dir().c_str(), 0, Collect);
    ASSERT_EQ(handle, 0);
    const char* stored = r_GetTextureName(handle);
    ASSERT_EQ(std::strlen(stored), 255u);
    EXPECT_EQ(std::string(stored), name.substr(0, 255));
    EXPECT_EQ(name, std::string(95, 'A') + "/" + std::string(95, 'B') + "/" + std::string(95, 'C') + "/WALL.TGA");
}

}  // namespace
