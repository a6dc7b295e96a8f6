// The engine-front state other engine modules read: the entry table, the
// frame-presented flag and the remembered card, mode and device. This program
// compiles the raster link module itself to reach its internal accessors.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/raster_link/raster_link.h"
#include "tessaly/engine_api.h"

namespace {

int BoundSlots(bool (&bound)[42]) {
    void* slots[42];
    static_assert(sizeof slots == sizeof(RasterEntryTable));
    std::memcpy(slots, &Raster(), sizeof slots);
    int count = 0;
    for (int i = 0; i < 42; ++i) {
        bound[i] = slots[i] != nullptr;
        count += bound[i];
    }
    return count;
}

TEST(RasterLinkState, TableFollowsLinkAndRelease) {
    bool bound[42];
    EXPECT_EQ(BoundSlots(bound), 0);

    ASSERT_EQ(r_LinkRaster("testraster_full.dll", nullptr), 0);
    EXPECT_EQ(BoundSlots(bound), 42);
    EXPECT_EQ(Raster().SetTexture(1, 2), 126);  // slots hold the matching entries
    EXPECT_EQ(Raster().ZTest(0, 0, 1, 1, 5), 137);
    r_FreeRaster(nullptr);
    EXPECT_EQ(BoundSlots(bound), 0);

    // Entries before a missing one stay bound, the rest stay null.
    ASSERT_EQ(r_LinkRaster("testraster_missing_30.dll", nullptr), -1);
    EXPECT_EQ(BoundSlots(bound), 29);
    EXPECT_TRUE(bound[28]);
    EXPECT_FALSE(bound[29]);
    r_FreeRaster(nullptr);
    EXPECT_EQ(BoundSlots(bound), 0);
}

TEST(RasterLinkState, InitRemembersAndSwapMarksAFramePresented) {
    ASSERT_EQ(r_LinkRaster("testraster_full.dll", nullptr), 0);
    EXPECT_FALSE(FramePresented());
    EXPECT_EQ(r_InitEngine(2, 14, 1, nullptr, 1, nullptr), 102);
    EXPECT_EQ(RememberedCard(), 2);
    EXPECT_EQ(RememberedVideoMode(), 14);
    EXPECT_EQ(RememberedDevice(), 1);
    r_ClearScreen(0, nullptr);
    EXPECT_FALSE(FramePresented());
    r_SwapBuffers(0);
    EXPECT_TRUE(FramePresented());
    r_FreeRaster(nullptr);
    EXPECT_TRUE(FramePresented());  // never cleared
}

}  // namespace
