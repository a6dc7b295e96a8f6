// The generator's file writers, checked by reading their files back through
// the system's own readers.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tests/tools/readers.h"
#include "tools/formats/byte_buffer.h"
#include "tools/formats/it_writer.h"
#include "tools/formats/lwob_writer.h"
#include "tools/formats/scene_writer.h"
#include "tools/formats/tga_writer.h"

namespace {

using namespace demo;
using namespace toolstest;

std::string Write(const std::string& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = dir + "/" + name;
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    return path;
}

LwobSurface Surface(const std::string& name, uint16_t flags = 0) {
    LwobSurface s;
    s.name = name;
    s.flags = flags;
    return s;
}

LwobTexture Texture(TextureChannel channel, TextureMap map, const std::string& image) {
    LwobTexture t;
    t.channel = channel;
    t.map = map;
    t.image = image;
    return t;
}

LwobObject ThreeSurfaceObject() {
    LwobObject o;
    const int a = o.AddPoint({-1, -1, -1}), b = o.AddPoint({1, -1, -1}), c = o.AddPoint({1, 1, -1}),
              d = o.AddPoint({-1, 1, -1}), e = o.AddPoint({0, 2, -1});
    LwobSurface stone = Surface("STONE", kSurfaceSmoothing | kSurfaceDoubleSided);
    stone.red = 255, stone.green = 0, stone.blue = 128;
    stone.smoothingAngle = 1.5f;
    stone.luminosity = 1.0f;
    stone.transparency = 0.5f;
    stone.reflection = 0.25f;
    stone.textures.push_back(Texture(TextureChannel::Colour, TextureMap::Planar, "stone.tga"));
    stone.textures[0].axis = kAxisZ;
    stone.textures[0].size = {2, 2, 2};
    stone.textures[0].velocity = {0.25f, -0.5f, 0};
    stone.textures.push_back(Texture(TextureChannel::Reflection, TextureMap::Cubic, "chrome.tga"));
    const int s1 = o.AddSurface(stone);
    const int s2 = o.AddSurface(Surface("GLOW", kSurfaceAdditive));
    const int s3 = o.AddSurface(Surface("SOURCE", kSurfaceSourceColour));
    o.AddPolygon({d, c, b, a}, s1);
    o.AddPolygon({a, c, b}, s2);
    o.AddPolygon({a, d, e, c, b}, s3);
    return o;
}

TEST(LwobWriter, SurfacesLevelsFlagsAndTexturesReadBack) {
    const LwobObject object = ThreeSurfaceObject();
    ASSERT_EQ(object.Problem(), "");
    EXPECT_EQ(object.TriangleCount(), 6);
    const ObjectInfo info = ReadObject(Write(TempDir("lwob"), "THREE.LWO", object.Bytes()));
    ASSERT_TRUE(info.loaded);
    ASSERT_EQ(info.meshes.size(), 3u);

    const MeshInfo& stone = info.meshes[0];
    EXPECT_EQ(stone.name, "STONE");
    EXPECT_EQ(stone.triangles, 2);
    EXPECT_FLOAT_EQ(stone.colour[0], 1.0f);
    EXPECT_FLOAT_EQ(stone.colour[1], 0.0f);
    EXPECT_FLOAT_EQ(stone.colour[2], 128.0f / 255.0f);
    EXPECT_EQ(stone.blendMode, 8);
    EXPECT_TRUE(stone.doubleSided);
    EXPECT_FLOAT_EQ(stone.luminosity, 1.0f);
    EXPECT_FLOAT_EQ(stone.transparency, 0.5f);
    EXPECT_FLOAT_EQ(stone.layerAlpha, 0.75f);
    EXPECT_FLOAT_EQ(stone.smoothingAngle, 1.5f);
    EXPECT_EQ(stone.textureNames, (std::vector<std::string>{"stone.tga", "chrome.tga"}));
    EXPECT_EQ(stone.textureKinds, (std::vector<int>{1, 8}));
    EXPECT_FLOAT_EQ(stone.velocityX[0], 0.25f);
    EXPECT_FLOAT_EQ(stone.velocityY[0], -0.5f);
    EXPECT_FLOAT_EQ(stone.velocityX[1], 0.0f);

    EXPECT_EQ(info.meshes[1].name, "GLOW");
    EXPECT_EQ(info.meshes[1].triangles, 1);
    EXPECT_EQ(info.meshes[1].blendMode, 4);
    EXPECT_FALSE(info.meshes[1].doubleSided);
    EXPECT_EQ(info.meshes[2].name, "SOURCE");
    EXPECT_EQ(info.meshes[2].triangles, 3);
    EXPECT_EQ(info.meshes[2].blendMode, 16);
}

TEST(LwobWriter, MergeRenumbersPointsAndSharesSurfacesByName) {
    LwobObject object = ThreeSurfaceObject();
    object.Merge(ThreeSurfaceObject());
    EXPECT_EQ(object.PointCount(), 10);
    EXPECT_EQ(object.SurfaceCount(), 3);
    EXPECT_EQ(object.Problem(), "");
    const ObjectInfo info = ReadObject(Write(TempDir("lwob"), "MERGED.LWO", object.Bytes()));
    ASSERT_EQ(info.meshes.size(), 3u);
    EXPECT_EQ(info.meshes[2].triangles, 6);
}

TEST(LwobWriter, ObjectsBeyondTheFormatAreRefused) {
    LwobObject twoCorners;
    twoCorners.AddPoint({});
    twoCorners.AddPoint({1, 0, 0});
    twoCorners.AddPolygon({0, 1}, twoCorners.AddSurface(Surface("S")));
    EXPECT_NE(twoCorners.Problem(), "");

    LwobObject badCorner = ThreeSurfaceObject();
    badCorner.AddPolygon({0, 1, 99}, 1);
    EXPECT_NE(badCorner.Problem(), "");

    LwobObject badSurface = ThreeSurfaceObject();
    badSurface.AddPolygon({0, 1, 2}, 4);
    EXPECT_NE(badSurface.Problem(), "");

    LwobObject tooManyPoints;
    for (int i = 0; i < 32768; ++i) tooManyPoints.AddPoint({float(i), 0, 0});
    EXPECT_NE(tooManyPoints.Problem(), "");
}

TEST(SceneWriter, ObjectsLightsCameraAndParentsReadBack) {
    Scene scene;
    scene.framesPerSecond = 24;
    scene.lastFrame = 100;
    scene.objects.push_back({"BASE.LWO", {{0, {1, 2, 3}, 90, 45, 0}, {100, {-4, 5.5f, 6}, 180, 0, 10}}, -1});
    scene.objects.push_back({"ARM.LWO", {}, 0});
    scene.lights.push_back({"View", {{0, {0, 10, -20}, 0, 30, 0}, {50, {}, 0, 0, 0}, {99, {}, 0, 0, 0}}});
    scene.lights.push_back({"Lamp", {}, 1});
    scene.cameraKeys = {{0, {0, 0, -5}}};

    const SceneInfo info = ReadScene(Write(TempDir("scene"), "s.lws", [&] {
        const std::string text = SceneText(scene);
        return std::vector<uint8_t>(text.begin(), text.end());
    }()));
    ASSERT_TRUE(info.loaded);
    EXPECT_EQ(info.objectNames, (std::vector<std::string>{"BASE.LWO", "ARM.LWO"}));
    ASSERT_EQ(info.objects.size(), 2u);
    EXPECT_EQ(info.objects[0].parent, -1);
    EXPECT_EQ(info.objects[1].parent, 0);
    ASSERT_EQ(info.objects[0].keys.size(), 2u);
    const KeyFrameRecord& last = info.objects[0].keys[1];
    EXPECT_EQ(last.frame, 100);
    EXPECT_FLOAT_EQ(last.position[0], -4);
    EXPECT_FLOAT_EQ(last.position[1], 5.5f);
    EXPECT_NEAR(last.rotation[1], std::numbers::pi, 1e-5);                         // heading about Y
    EXPECT_NEAR(last.rotation[2], 10 * std::numbers::pi / 180, 1e-5);              // bank about Z
    EXPECT_NEAR(info.objects[0].keys[0].rotation[0], std::numbers::pi / 4, 1e-5);  // pitch about X
    EXPECT_EQ(info.objects[1].keys.size(), 1u);  // a rest key for an item without keys

    ASSERT_EQ(info.lights.size(), 2u);
    EXPECT_EQ(info.lights[0].keys.size(), 3u);
    EXPECT_EQ(info.lights[0].keys[2].frame, 99);
    EXPECT_FLOAT_EQ(info.lights[0].keys[0].position[2], -20);
    EXPECT_EQ(info.lights[1].parent, 1);
    ASSERT_EQ(info.cameras.size(), 1u);
    EXPECT_FLOAT_EQ(info.cameras[0].keys[0].position[2], -5);
}

TEST(TgaWriter, PixelsReadBackInOrderAt24And32Bits) {
    Picture picture(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            picture.At(x, y) = {uint8_t(x * 50), uint8_t(y * 100), uint8_t(7 + x + y), uint8_t(255 - x)};
    const std::string dir = TempDir("tga");
    for (int bits : {24, 32}) {
        const PictureInfo info = ReadPicture(Write(dir, "p" + std::to_string(bits) + ".tga", TgaBytes(picture, bits)));
        ASSERT_EQ(info.width, 5);
        ASSERT_EQ(info.height, 3);
        ASSERT_EQ(info.bits, bits);
        const int step = bits / 8;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                const uint8_t* p = &info.pixels[(size_t(y) * 5 + x) * step];
                EXPECT_EQ(p[0], x * 50);
                EXPECT_EQ(p[1], y * 100);
                EXPECT_EQ(p[2], 7 + x + y);
                if (bits == 32) {
                    EXPECT_EQ(p[3], 255 - x);
                }
            }
    }
}

// A looped tone sample: whole cycles of a square wave.
ItSample Tone(bool sixteenBit) {
    ItSample s;
    s.name = "tone";
    s.sixteenBit = sixteenBit;
    s.c5Speed = 16744;
    s.loop = true;
    for (int i = 0; i < 256; ++i) s.pcm.push_back((i / 32) % 2 ? 12000 : -12000);
    s.loopEnd = 256;
    return s;
}

ItModule TwoPatternModule(bool instruments) {
    ItModule m;
    m.name = "test";
    m.speed = 6;
    m.tempo = 125;
    m.useInstruments = instruments;
    m.samples = {Tone(false), Tone(true)};
    if (instruments) {
        ItInstrument pad;
        pad.sample = 1;
        pad.volumeEnvelope = {{0, 0}, {10, 64}, {40, 32}};
        pad.sustainPoint = 2;
        ItInstrument lead;
        lead.sample = 2;
        m.instruments = {pad, lead};
    }
    for (int p = 0; p < 2; ++p) {
        ItPattern pattern(32, 3);
        pattern.At(0, 0) = {.note = 60, .instrument = 1, .volume = 64};
        pattern.At(8, 1) = {.note = 67, .instrument = 2};
        pattern.At(16, 0) = {.note = kItNoteOff};
        pattern.At(24, 2) = {.note = 48, .instrument = 2, .command = 24 /* X: panning */, .parameter = 0x40};
        m.patterns.push_back(pattern);
    }
    m.orders = {0, 1, 0};
    return m;
}

TEST(ItWriter, ModulesLoadWithTheirLengthAndSound) {
    for (bool instruments : {true, false}) {
        SCOPED_TRACE(instruments ? "instruments" : "samples only");
        const ItModule m = TwoPatternModule(instruments);
        ASSERT_EQ(ItProblem(m), "");
        const ModuleInfo info = ReadModule(ItBytes(m), 3);
        ASSERT_TRUE(info.loaded);
        // 3 orders of 32 rows, 6 ticks a row, 2.5 / 125 seconds a tick.
        EXPECT_NEAR(info.durationSeconds, 3 * 32 * 6 * 2.5 / 125, 0.05);
        EXPECT_EQ(info.channels, 3);
        EXPECT_EQ(info.samples, 2);
        EXPECT_EQ(info.instruments, instruments ? 2 : 0);
        EXPECT_EQ(info.patterns, 2);
        EXPECT_GT(info.peak, 0.05);
    }
}

TEST(ItWriter, ModulesBeyondTheFormatAreRefused) {
    ItModule m = TwoPatternModule(true);
    m.orders.push_back(7);  // no such pattern
    EXPECT_NE(ItProblem(m), "");
    EXPECT_TRUE(ItBytes(m).empty());

    m = TwoPatternModule(true);
    m.samples[0].loopEnd = 1000;  // past the sample
    EXPECT_NE(ItProblem(m), "");

    m = TwoPatternModule(true);
    m.instruments[0].sample = 3;
    EXPECT_NE(ItProblem(m), "");

    m = TwoPatternModule(false);
    m.patterns[0].At(1, 1).instrument = 3;  // samples-only mode has two
    EXPECT_NE(ItProblem(m), "");
}

}  // namespace
