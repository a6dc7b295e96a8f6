// Damaged and lying scene files: they load what they hold or fail with -1,
// and every answer afterwards stays within what was loaded. Run under the
// sanitizer build these also prove that nothing is read out of bounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <random>

#include "scene_test_support.h"

using namespace lws_test;

namespace {

class DamagedScene : public testing::Test {
protected:
    void TearDown() override { r_ResetAnim(); }
};

// Reads every answer of the current scene and checks it is sane: counts not
// negative, frames strictly ascending, values finite.
void ExpectSaneScene()
{
    const Track tracks[] = {Track::Object, Track::Light, Track::Camera};
    const int counts[] = {r_GetObjectsInAnim(), r_GetAnimLightsNum(), r_GetAnimCamerasNum()};
    for (int t = 0; t < 3; ++t) {
        ASSERT_GE(counts[t], 0);
        for (int i = 0; i < counts[t]; ++i) {
            const auto keys = Keys(tracks[t], i);
            for (size_t k = 0; k < keys.size(); ++k) {
                if (k > 0) {
                    EXPECT_LT(keys[k - 1].frame, keys[k].frame);
                }
                for (int c = 0; c < 3; ++c) {
                    EXPECT_TRUE(std::isfinite(keys[k].position[c]));
                    EXPECT_TRUE(std::isfinite(keys[k].rotation[c]));
                    EXPECT_TRUE(std::isfinite(keys[k].scale[c]));
                }
            }
        }
    }
    for (int i = 0; i < counts[0]; ++i) {
        const int parent = r_GetAnimParent(i);
        EXPECT_TRUE(parent >= -1 && parent < counts[0]);
        EXPECT_LE(std::strlen(r_GetAnimObjectName(i)), 255u);
    }
}

std::vector<size_t> LineEnds(const std::string& text)
{
    std::vector<size_t> ends;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n')
            ends.push_back(i + 1);
    return ends;
}

// Cut after every line (and in the middle of every line): never more items or
// keys than the whole file, and a scene as soon as its two header lines are in.
TEST_F(DamagedScene, TruncatedAtEveryLine)
{
    for (const char* name : {"move_x_oldformat_56.lws", "move_x_oldformat_6.lws",
                             "move_xz_bezier.lws", "move_y_pre_ofrep_post_osc.lws"}) {
        SCOPED_TRACE(name);
        const std::string whole = ReadFile(lws_test::CorpusScene(name));
        ASSERT_FALSE(whole.empty());
        ASSERT_EQ(r_LoadAnim(lws_test::CorpusScene(name).c_str(), 0), 0);
        const int fullKeys = r_GetKeysNum(0);

        for (size_t end : LineEnds(whole)) {
            for (size_t cut : {end, end > 3 ? end - 3 : end}) {
                const std::string path = WriteScene("cut.lws", whole.substr(0, cut));
                const int result = r_LoadAnim(path.c_str(), 0);
                EXPECT_EQ(result, cut >= 6 ? 0 : -1) << "cut at " << cut;
                EXPECT_LE(r_GetObjectsInAnim(), 1);
                EXPECT_LE(r_GetKeysNum(0), fullKeys);
                ExpectSaneScene();
            }
        }
    }
}

TEST_F(DamagedScene, CountsLargerThanTheKeysThatFollow)
{
    // Version 1: 99999999999 keys announced, two present.
    ASSERT_EQ(r_LoadAnim(WriteScene("lie1.lws",
                                    "LWSC\n1\nLoadObject a.lwo\nObjectMotion (unnamed)\n 9\n"
                                    " 99999999999\n 1 0 0 0 0 0 1 1 1\n 0 0 0 0 0\n"
                                    " 2 0 0 0 0 0 1 1 1\n 10 0 0 0 0\nEndBehavior 1\n"
                                    "ParentObject 1\nAddLight\n")
                             .c_str(),
                         0),
              0);
    EXPECT_EQ(r_GetKeysNum(0), 2);
    EXPECT_EQ(r_GetAnimLightsNum(), 1);

    // Version 2: the first channel announces 50 keys and has 3; the channels
    // after it are still read.
    std::string v2 = ReadFile(lws_test::CorpusScene("move_x_oldformat_56.lws"));
    const size_t at = v2.find("  3\n  0 0 2 0 0 0");
    ASSERT_NE(at, std::string::npos);
    v2.replace(at, 3, "  50");
    ASSERT_EQ(r_LoadAnim(WriteScene("lie2.lws", v2).c_str(), 0), 0);
    ASSERT_EQ(r_GetKeysNum(0), 3);
    KeyFrameRecord record{};
    ASSERT_EQ(r_GetKeyFrame(0, 2, &record), 0);
    EXPECT_NEAR(record.position[0], -2.374866f, 1e-5f);
    EXPECT_NEAR(record.position[1], -0.04f, 1e-5f);
    EXPECT_NEAR(record.scale[2], 0.9549159f, 1e-5f);
    EXPECT_EQ(r_GetAnimLightsNum(), 1);
    EXPECT_EQ(r_GetLightKeysNum(0), 1);

    // Versions 3+: an envelope announcing a million keys, and one without its
    // closing brace.
    ASSERT_EQ(r_LoadAnim(WriteScene("lie3.lws",
                                    "LWSC\n3\nLoadObjectLayer 1 a.lwo\nObjectMotion\nNumChannels 9\n"
                                    "Channel 0\n{ Envelope\n  1000000\n  Key 1 0 3 0 0 0 0 0 0\n"
                                    "  Key 2 1 3 0 0 0 0 0 0\nChannel 1\n{ Envelope\n  -5\n"
                                    "  Key 7 2 3 0 0 0 0 0 0\n}\nAddLight 20000000\n")
                             .c_str(),
                         0),
              0);
    const auto keys = Keys(Track::Object, 0);
    ASSERT_EQ(Frames(keys), (std::vector<int>{0, 30}));  // the negative count reads no key
    EXPECT_EQ(keys[1].position[0], 2.0f);
    EXPECT_EQ(r_GetAnimLightsNum(), 1);
}

TEST_F(DamagedScene, CountsSmallerThanTheKeysThatFollow)
{
    std::string v2 = ReadFile(lws_test::CorpusScene("move_x_oldformat_56.lws"));
    const size_t at = v2.find("  3\n  0 0 2 0 0 0");
    ASSERT_NE(at, std::string::npos);
    v2.replace(at, 3, "  1");
    ASSERT_EQ(r_LoadAnim(WriteScene("short2.lws", v2).c_str(), 0), 0);
    EXPECT_EQ(r_GetKeysNum(0), 1);
    EXPECT_EQ(r_GetAnimLightsNum(), 1);
    ExpectSaneScene();
}

TEST_F(DamagedScene, NumbersThatAreNotNumbers)
{
    ASSERT_EQ(r_LoadAnim(WriteScene("nan.lws",
                                    "LWSC\n3\nFramesPerSecond nan\nLoadObjectLayer 1 a.lwo\n"
                                    "ObjectMotion\nNumChannels 9\nChannel 0\n{ Envelope\n  5\n"
                                    "  Key nan 0 0 0 0 0 0 0 0\n  Key 1 inf 0 0 0 0 0 0 0\n"
                                    "  Key 1e999 1 0 0 0 0 0 0 0\n  Key 3e38 1e300 5 0 0 0 0 0 0\n"
                                    "  Key -3e38 2 2 1e30 -1e30 0 1e300 -1e300 0\n}\n"
                                    "Channel 1\n{ Envelope\n  2\n  Key 1e308 0 3 0 0 0 0 0 0\n"
                                    "  Key -1e308 2 3 0 0 0 0 0 0\n}\n"
                                    "Channel 2\n{ Envelope\n  1\n  Key 0 1 0 0 0 0 0 0 0\n}\n"
                                    "Channel 99999999999\n{ Envelope\n  1\n  Key 1 0 0 0 0 0 0 0 0\n}\n"
                                    "Channel -1\n{ Envelope\n  1\n  Key 1 0 0 0 0 0 0 0 0\n}\n"
                                    "ParentItem zzzzzzzz\nPivotPosition nan 1 2\n")
                             .c_str(),
                         0),
              0);
    ExpectSaneScene();
    const auto keys = Keys(Track::Object, 0);
    // Huge times stop at the frame limit; values beyond float range at the
    // largest float.
    ASSERT_EQ(Frames(keys), (std::vector<int>{0, 30, 60, 1000000000}));
    EXPECT_EQ(keys[1].position[1], -FLT_MAX);
    EXPECT_EQ(r_GetAnimParent(0), -1);
    EXPECT_EQ(r_GetAnimPivotPoint(0).y, 0.0f);
}

TEST_F(DamagedScene, HugeFrameRateAndFrames)
{
    ASSERT_EQ(r_LoadAnim(WriteScene("fps.lws",
                                    "LWSC\n2\nFramesPerSecond 1e308\nLoadObject a.lwo\n"
                                    "ObjectMotion (unnamed)\n 9\n 2\n 0 0 0 0 0 0\n 1 -1e308 0 0 0 0\n")
                             .c_str(),
                         0),
              0);
    EXPECT_EQ(Frames(Keys(Track::Object, 0)), (std::vector<int>{-1000000000, 0}));
    ASSERT_EQ(r_LoadAnim(WriteScene("frames1.lws",
                                    "LWSC\n1\nLoadObject a.lwo\nObjectMotion (unnamed)\n 9\n 2\n"
                                    " 0\n -4e9 0 0 0 0\n 1\n 4e9 0 0 0 0\n")
                             .c_str(),
                         0),
              0);
    EXPECT_EQ(Frames(Keys(Track::Object, 0)), (std::vector<int>{-1000000000, 1000000000}));
    ExpectSaneScene();
}

TEST_F(DamagedScene, AbsurdlyLongLines)
{
    std::string text = "LWSC\n2\nLoadObject " + std::string(3 << 20, 'x') +
                       "\nObjectMotion (unnamed)\n " + std::string(1 << 20, '9') + "\n 1\n" +
                       std::string(1 << 20, ' ') + "0 0 0 0 0 0\nParentObject " +
                       std::string(1 << 20, '1') + "\n";
    ASSERT_EQ(r_LoadAnim(WriteScene("long.lws", text).c_str(), 0), 0);
    EXPECT_EQ(r_GetObjectsInAnim(), 1);
    EXPECT_EQ(std::strlen(r_GetAnimObjectName(0)), 255u);
    EXPECT_EQ(r_GetAnimParent(0), -1);
    ExpectSaneScene();
}

// Random bytes after a valid header, and random bytes spliced into a real
// scene: the library loads or fails, never misbehaves.
TEST_F(DamagedScene, Garbage)
{
    std::mt19937 random(1234);
    const std::string alphabet = "0123456789 .-+eE\n\r\t{}KeyChannelLoadObjectMotionParent";
    const std::string real = ReadFile(lws_test::CorpusScene("move_xz_bezier.lws"));
    for (int round = 0; round < 200; ++round) {
        std::string text = round % 2 == 0 ? "LWSC\n" + std::to_string(1 + round % 5) + "\n" : real;
        const int bytes = 64 + static_cast<int>(random() % 2048);
        std::string noise;
        for (int i = 0; i < bytes; ++i)
            noise += round % 4 < 2 ? alphabet[random() % alphabet.size()]
                                   : static_cast<char>(random() & 0xff);
        if (round % 2 == 0)
            text += noise;
        else
            text.insert(10 + random() % (text.size() - 10), noise);
        const int result = r_LoadAnim(WriteScene("garbage.lws", text).c_str(), 0);
        EXPECT_TRUE(result == 0 || result == -1);
        ExpectSaneScene();
    }
}

}  // namespace
