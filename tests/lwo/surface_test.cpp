// Surface attributes and texture slots as they reach the meshes.
#include <gtest/gtest.h>

#include "plugin_driver.h"

using namespace lwotest;

namespace {

Bytes Triangle(const std::vector<std::string>& names, const std::vector<SurfaceBuilder>& surfaces)
{
    LwobWriter w;
    w.Names(names).Points({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    std::vector<Polygon> polygons;
    for (size_t i = 0; i < names.size(); ++i)
        polygons.push_back({{0, 1, 2}, int16_t(i + 1)});
    w.Polygons(polygons);
    for (const SurfaceBuilder& s : surfaces)
        w.Surface(s);
    return w.Build();
}

}  // namespace

TEST(LwoSurface, DefaultsWithoutSurfChunk)
{
    auto model = LoadModel(Triangle({"Plain"}, {}));
    ASSERT_TRUE(model);
    const CMesh& m = model->meshes[0];
    EXPECT_STREQ(m.name, "");
    EXPECT_FLOAT_EQ(m.colour[0], 0.784f);
    EXPECT_FLOAT_EQ(m.colour[1], 0.784f);
    EXPECT_FLOAT_EQ(m.colour[2], 0.784f);
    EXPECT_EQ(m.colourAlpha, 0.0f);
    EXPECT_EQ(m.luminosity, 0.0f);
    EXPECT_EQ(m.diffuse, 0.0f);
    EXPECT_EQ(m.transparency, 0.0f);
    EXPECT_EQ(m.layerAlpha, 1.0f);
    EXPECT_EQ(m.smoothingAngle, 0.0f);
    EXPECT_EQ(m.textureCount, 0);
    EXPECT_EQ(m.blendMode, 8);
    EXPECT_EQ(m.doubleSided, 0);
    for (int j = 0; j < 8; ++j) {
        EXPECT_EQ(m.textureKinds[j], -1);
        EXPECT_FALSE(Plugin().HasTexture(0, j));
    }
}

TEST(LwoSurface, LevelsColourAndFlags)
{
    auto model = LoadModel(Triangle({"A", "B", "C", "D"},
                                    {SurfaceBuilder("A")
                                         .Colour(255, 0, 128)
                                         .U16("LUMI", 256)
                                         .U16("TRAN", 128)
                                         .U16("DIFF", 17)
                                         .U16("REFL", 64)
                                         .U16("FLAG", 0x104)
                                         .F32("SMAN", 0.75f),
                                     SurfaceBuilder("B").U16("FLAG", 0x80),
                                     SurfaceBuilder("C").U16("FLAG", 0x280),
                                     SurfaceBuilder("D").U16("GLOS", 5).U16("SPEC", 9).F32("RIND", 1.5f)}));
    ASSERT_TRUE(model);
    ASSERT_EQ(model->meshCount, 4);
    const CMesh& a = model->meshes[0];
    EXPECT_STREQ(a.name, "A");
    EXPECT_EQ(a.colour[0], 1.0f);
    EXPECT_EQ(a.colour[1], 0.0f);
    EXPECT_EQ(a.colour[2], 128.0f / 255.0f);
    EXPECT_EQ(a.luminosity, 1.0f);
    EXPECT_EQ(a.transparency, 0.5f);
    EXPECT_EQ(a.diffuse, 1.0f);
    EXPECT_EQ(a.layerAlpha, 0.75f);
    EXPECT_EQ(a.smoothingAngle, 0.75f);
    EXPECT_EQ(a.doubleSided, 1);
    EXPECT_EQ(a.blendMode, 8);
    EXPECT_EQ(model->meshes[1].blendMode, 16);
    EXPECT_EQ(model->meshes[2].blendMode, 4);
    EXPECT_EQ(model->meshes[3].blendMode, 8);
    EXPECT_EQ(model->meshes[3].luminosity, 0.0f);
    EXPECT_FLOAT_EQ(model->meshes[3].colour[0], 0.784f);
}

TEST(LwoSurface, ImageNamesLoseTheirDirectories)
{
    auto surface = SurfaceBuilder("S");
    surface.Texture("CTEX", "Planar Image Map").Image("C:\\images\\wood.iff");
    surface.Texture("CTEX", "Planar Image Map").Image("maps/brick");
    surface.Texture("DTEX", "Planar Image Map").Image("stone");
    surface.Texture("CTEX", "Planar Image Map").Image("maps\\textures/");
    surface.Texture("BTEX", "Planar Image Map").Image("a/b\\c.tga");
    ASSERT_EQ(LoadBytes(Triangle({"S"}, {surface})), 0);
    EXPECT_STREQ(Plugin().GetSurfaceTextureName(0, 0), "wood.iff");
    EXPECT_STREQ(Plugin().GetSurfaceTextureName(0, 1), "brick");
    EXPECT_STREQ(Plugin().GetSurfaceTextureName(0, 2), "stone");
    EXPECT_STREQ(Plugin().GetSurfaceTextureName(0, 3), "");
    EXPECT_STREQ(Plugin().GetSurfaceTextureName(0, 4), "c.tga");
    EXPECT_TRUE(Plugin().HasTexture(0, 0));
    EXPECT_FALSE(Plugin().HasTexture(0, 3));
    EXPECT_FALSE(Plugin().HasTexture(0, 5));
    auto model = ExportModel();
    ASSERT_TRUE(model);
    const CMesh& m = model->meshes[0];
    EXPECT_EQ(m.textureCount, 5);
    EXPECT_STREQ(m.textureNames[0], "wood.iff");
    EXPECT_STREQ(m.textureNames[3], "");
    EXPECT_EQ(m.textureKinds[0], 1);
    EXPECT_EQ(m.textureKinds[2], 2);
    EXPECT_EQ(m.textureKinds[3], -1);  // no image: no kind
    EXPECT_EQ(m.textureKinds[4], 32);
}

TEST(LwoSurface, TextureKindsVelocityAndBlocksWithoutImages)
{
    auto surface = SurfaceBuilder("S");
    surface.Texture("CTEX", "Planar Image Map").Image("one").Vec("TVEL", 0.25f, -0.5f, 3.0f);
    surface.Texture("CTEX", "Fractal Noise").U16("TFLG", 2);
    surface.Texture("BTEX", "Cubic Image Map").Image("bump");
    auto model = LoadModel(Triangle({"S"}, {surface}));
    ASSERT_TRUE(model);
    const CMesh& m = model->meshes[0];
    EXPECT_EQ(m.textureCount, 3);
    EXPECT_EQ(m.textureKinds[0], 1);
    EXPECT_EQ(m.textureKinds[1], -1);
    EXPECT_EQ(m.textureKinds[2], 32);
    EXPECT_EQ(m.textureVelocity[0][0], 0.25f);
    EXPECT_EQ(m.textureVelocity[0][1], -0.5f);
    EXPECT_EQ(m.textureVelocity[1][0], 0.0f);
    EXPECT_FALSE(Plugin().HasTexture(0, 1));
    EXPECT_EQ(m.texCoords[1], nullptr);
}

TEST(LwoSurface, SlotsBeyondEightArePassedOver)
{
    auto surface = SurfaceBuilder("S");
    for (int i = 0; i < 10; ++i)
        surface.Texture("CTEX", "Planar Image Map").Image("img" + std::to_string(i)).U16("TFLG", 4);
    surface.U16("LUMI", 128);  // after the skipped blocks the scan still finds sub-chunks
    auto model = LoadModel(Triangle({"S"}, {surface}));
    ASSERT_TRUE(model);
    const CMesh& m = model->meshes[0];
    EXPECT_EQ(m.textureCount, 8);
    EXPECT_STREQ(m.textureNames[7], "img7");
    EXPECT_EQ(m.luminosity, 0.5f);
    for (int j = 0; j < 8; ++j)
        EXPECT_TRUE(Plugin().HasTexture(0, j));
}

TEST(LwoSurface, SurfChunksWithoutAListedNameAreSkipped)
{
    // SURF before SRFS, and one whose name is not listed.
    const Bytes file = LwobWriter()
                           .Surface(SurfaceBuilder("A").U16("LUMI", 256))
                           .Names({"A", "B"})
                           .Points({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})
                           .Polygons({{{0, 1, 2}, 1}})
                           .Surface(SurfaceBuilder("Z").U16("LUMI", 128))
                           .Surface(SurfaceBuilder("b").U16("LUMI", 128))
                           .Surface(SurfaceBuilder("B").U16("TRAN", 64))
                           .Build();
    auto model = LoadModel(file);
    ASSERT_TRUE(model);
    ASSERT_EQ(model->meshCount, 2);
    EXPECT_STREQ(model->meshes[0].name, "");
    EXPECT_EQ(model->meshes[0].luminosity, 0.0f);
    EXPECT_STREQ(model->meshes[1].name, "B");
    EXPECT_EQ(model->meshes[1].luminosity, 0.0f);
    EXPECT_EQ(model->meshes[1].transparency, 0.25f);
}

TEST(LwoSurface, DuplicateSrfsNamesFillTheFirst)
{
    const Bytes file = LwobWriter()
                           .Names({"X", "X"})
                           .Points({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})
                           .Polygons({{{0, 1, 2}, 2}})
                           .Surface(SurfaceBuilder("X").U16("LUMI", 256))
                           .Build();
    auto model = LoadModel(file);
    ASSERT_TRUE(model);
    EXPECT_STREQ(model->meshes[0].name, "X");
    EXPECT_EQ(model->meshes[0].luminosity, 1.0f);
    EXPECT_STREQ(model->meshes[1].name, "");
}
