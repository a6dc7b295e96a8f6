// Damaged and lying scene files load what they hold or fail with -1, and every
// answer afterwards stays within what was loaded. Under the sanitizer build
// these also show that nothing is read out of bounds.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <random>

#include "scene_test_support.h"

using namespace lws_test;

namespace {

class Damaged : public SceneTest {};

// Every track: frames strictly ascending, values finite; parents in range.
void ExpectSaneScene() {
    const int counts[] = {r_GetObjectsInAnim(), r_GetAnimLightsNum(), r_GetAnimCamerasNum()};
    for (int t = 0; t < 3; ++t) {
        for (int i = 0; i < counts[t]; ++i) {
            const auto keys = Keys(static_cast<Track>(t), i);
            for (size_t k = 0; k < keys.size(); ++k) {
                EXPECT_TRUE(k == 0 || keys[k - 1].frame < keys[k].frame);
                for (float v : keys[k].position) EXPECT_TRUE(std::isfinite(v));
            }
        }
    }
    for (int i = 0; i < counts[0]; ++i) EXPECT_TRUE(r_GetAnimParent(i) >= -1 && r_GetAnimParent(i) < counts[0]);
}

// Cut after every line and three bytes before it: a scene as soon as the two
// header lines are in, never more keys than the whole file.
TEST_F(Damaged, TruncatedAtEveryLine) {
    for (const char* name :
         {"move_x_oldformat_56.lws", "move_x_oldformat_6.lws", "move_xz_bezier.lws", "move_y_pre_ofrep_post_osc.lws"}) {
        const std::string whole = ReadFile(CorpusScene(name));
        ASSERT_EQ(r_LoadAnim(CorpusScene(name).c_str(), 0), 0);
        const int fullKeys = r_GetKeysNum(0);
        for (size_t end = whole.find('\n'); end != std::string::npos; end = whole.find('\n', end + 1)) {
            for (size_t cut : {end + 1, end - 2}) {
                EXPECT_EQ(LoadText(whole.substr(0, cut)), cut >= 6 ? 0 : -1) << name << " " << cut;
                EXPECT_LE(r_GetObjectsInAnim(), 1);
                EXPECT_LE(r_GetKeysNum(0), fullKeys);
                ExpectSaneScene();
            }
        }
    }
}

TEST_F(Damaged, CountsThatLie) {
    // Version 1: 99999999999 keys announced, two present.
    ASSERT_EQ(LoadText("LWSC\n1\nLoadObject a\nObjectMotion\n 9\n 99999999999\n 1\n 0\n 2\n 10\n"
                       "EndBehavior 1\nAddLight\n"),
              0);
    EXPECT_EQ(r_GetKeysNum(0), 2);
    EXPECT_EQ(r_GetAnimLightsNum(), 1);

    // Version 2: the first channel announces 50 keys and has 3, the channels
    // after it are still read; announcing 1 ends the motion at the next key.
    std::string v2 = ReadFile(CorpusScene("move_x_oldformat_56.lws"));
    const size_t at = v2.find("  3\n  0 0 2 0 0 0");
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(LoadText(v2.replace(at, 3, " 50")), 0);
    const auto keys = Keys(Track::Object, 0);
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_NEAR(keys[2].position[0], -2.374866f, 1e-5f);
    EXPECT_NEAR(keys[2].position[1], -0.04f, 1e-5f);
    EXPECT_NEAR(keys[2].scale[2], 0.9549159f, 1e-5f);
    EXPECT_EQ(r_GetLightKeysNum(0), 1);
    ASSERT_EQ(LoadText(v2.replace(at, 3, "  1")), 0);
    EXPECT_EQ(r_GetKeysNum(0), 1);
    EXPECT_EQ(r_GetLightKeysNum(0), 1);

    // Versions 3+: a million keys announced, an envelope without its closing
    // brace, a negative count.
    ASSERT_EQ(LoadText("LWSC\n3\nLoadObjectLayer 1 a\nObjectMotion\nNumChannels 9\nChannel 0\n"
                       "{ Envelope\n 1000000\n Key 1 0 3\n Key 2 1 3\nChannel 1\n{ Envelope\n -5\n"
                       " Key 7 2 3\n}\nAddLight 20000000\n"),
              0);
    EXPECT_EQ(Frames(Keys(Track::Object, 0)), (std::vector<int>{0, 30}));
    EXPECT_EQ(r_GetAnimLightsNum(), 1);
}

TEST_F(Damaged, NumbersThatAreNotNumbersOrHuge) {
    ASSERT_EQ(LoadText("LWSC\n3\nFramesPerSecond nan\nLoadObjectLayer 1 a.lwo\nObjectMotion\n"
                       "Channel 0\n{ Envelope\n 5\n Key nan 0 0\n Key 1 inf 0\n Key 1e999 1 0\n"
                       " Key 3e38 1e300 5\n Key -3e38 2 2 1e30 -1e30 0 1e300 -1e300 0\n}\n"
                       "Channel 1\n{ Envelope\n 2\n Key 1e308 0 3\n Key -1e308 2 3\n}\n"
                       "Channel 2\n{ Envelope\n 1\n Key 0 1 0\n}\n"
                       "Channel 99999999999\n{ Envelope\n 1\n Key 1 0 0\n}\n"
                       "Channel -1\n{ Envelope\n 1\n Key 1 0 0\n}\n"
                       "ParentItem zzzzzzzz\nPivotPosition nan 1 2\n"),
              0);
    ExpectSaneScene();
    const auto keys = Keys(Track::Object, 0);
    // Huge times stop at the frame limit, values beyond float range at the
    // largest float.
    ASSERT_EQ(Frames(keys), (std::vector<int>{0, 30, 60, 1000000000}));
    EXPECT_EQ(keys[1].position[1], -FLT_MAX);
    EXPECT_EQ(r_GetAnimPivotPoint(0).y, 0.0f);

    ASSERT_EQ(LoadText("LWSC\n2\nFramesPerSecond 1e308\nLoadObject a\nObjectMotion\n 9\n 2\n"
                       " 0 0 0 0 0 0\n 1 -1e308 0 0 0 0\n"),
              0);
    EXPECT_EQ(Frames(Keys(Track::Object, 0)), (std::vector<int>{-1000000000, 0}));
    ASSERT_EQ(LoadText("LWSC\n1\nLoadObject a\nObjectMotion\n 9\n 2\n 0\n -4e9\n 1\n 4e9\n"), 0);
    EXPECT_EQ(Frames(Keys(Track::Object, 0)), (std::vector<int>{-1000000000, 1000000000}));
}

TEST_F(Damaged, AbsurdlyLongLines) {
    ASSERT_EQ(LoadText("LWSC\n2\nLoadObject " + std::string(3 << 20, 'x') + "\nObjectMotion\n " +
                       std::string(1 << 20, '9') + "\n 1\n" + std::string(1 << 20, ' ') + "0 0 0 0 0 0\nParentObject " +
                       std::string(1 << 20, '1') + "\n"),
              0);
    EXPECT_EQ(std::strlen(r_GetAnimObjectName(0)), 255u);
    EXPECT_EQ(r_GetKeysNum(0), 1);
    EXPECT_EQ(r_GetAnimParent(0), -1);
}

// Random bytes after a valid header, and spliced into a real scene.
TEST_F(Damaged, Garbage) {
    std::mt19937 random(1234);
    const std::string words = "0123456789 .-+eE\n\r\t{}KeyChannelLoadObjectMotionParent";
    const std::string real = ReadFile(CorpusScene("move_xz_bezier.lws"));
    for (int round = 0; round < 200; ++round) {
        std::string noise(64 + random() % 2048, ' ');
        for (char& c : noise) c = round % 4 < 2 ? words[random() % words.size()] : static_cast<char>(random());
        std::string text = real;
        if (round % 2 == 0)
            text = "LWSC\n" + std::to_string(1 + round % 5) + "\n" + noise;
        else
            text.insert(10 + random() % (text.size() - 10), noise);
        const int result = LoadText(text);
        EXPECT_TRUE(result == 0 || result == -1);
        ExpectSaneScene();
    }
}

}  // namespace

namespace {

// What the library says about a file read only in part: nothing for a whole
// file (every corpus scene, in all three layouts), the damaged part otherwise.
TEST(SceneDamage, WholeFilesSayNothingAndCutOnesNameTheItemAndLine) {
    for (const char* name : {"move_x.lws", "move_x_oldformat_56.lws", "move_x_oldformat_6.lws", "move_xz_bezier.lws",
                             "move_xz_stepped.lws", "move_y_pre_ofrep_post_osc.lws", "move_x_post_repeat.lws"}) {
        ASSERT_EQ(r_LoadAnim(CorpusScene(name).c_str(), 0), 0) << name;
        EXPECT_STREQ(r_GetAnimDamage(), "") << name;
    }
    const std::string whole =
        "LWSC\n1\nLoadObject a.lwo\nObjectMotion\n 9\n 2\n 0 0 0 0 0 0 1 1 1\n 0 0 0 0 0\n"
        " 1 0 0 0 0 0 1 1 1\n 10 0 0 0 0\nEndBehavior 1\n";
    ASSERT_EQ(LoadText(whole), 0);
    EXPECT_STREQ(r_GetAnimDamage(), "");

    // Cut inside the second key; a count that lies in a later object too.
    ASSERT_EQ(LoadText(whole.substr(0, whole.find(" 10 0"))), 0);
    EXPECT_EQ(r_GetKeysNum(0), 1);
    EXPECT_EQ(std::string(r_GetAnimDamage()),
              "the motion of object 1 (a.lwo) from line 4 is cut short or its key counts are wrong");
    ASSERT_EQ(LoadText("LWSC\n1\nLoadObject a.lwo\nObjectMotion\n 9\n 5\n 0 0 0 0 0 0 1 1 1\n 0 0 0 0 0\n"
                       "LoadObject b.lwo\nObjectMotion\n 9\n 3\n 0 0 0 0 0 0 1 1 1\n 0 0 0 0 0\n"),
              0);
    EXPECT_EQ(std::string(r_GetAnimDamage()),
              "the motion of object 1 (a.lwo) from line 4 is cut short or its key counts are wrong"
              " (and 1 more damaged part)");

    // Version 3 and later: an envelope whose end is missing, or whose count lies.
    const std::string envelope =
        "LWSC\n3\nLoadObjectLayer 1 a.lwo\nObjectMotion\nNumChannels 1\nChannel 0\n"
        "{ Envelope\n  2\n  Key 0 0 0 0 0 0 0 0 0\n  Key 1 1 0 0 0 0 0 0 0\n"
        "  Behaviors 1 1\n}\n";
    ASSERT_EQ(LoadText(envelope), 0);
    EXPECT_STREQ(r_GetAnimDamage(), "");
    ASSERT_EQ(LoadText(envelope.substr(0, envelope.find("  Behaviors"))), 0);
    EXPECT_NE(std::string(r_GetAnimDamage()).find("object 1 (a.lwo) from line 4"), std::string::npos);
    std::string lying = envelope;
    lying.replace(lying.find("  2\n"), 4, "  3\n");
    ASSERT_EQ(LoadText(lying), 0);
    EXPECT_NE(std::string(r_GetAnimDamage()), "");
    r_ResetAnim();
    EXPECT_STREQ(r_GetAnimDamage(), "");
}

// Behaviour codes far outside any integer (found by fuzzing) read as constant:
// the keys still load and the scene stays sane.
TEST_F(Damaged, HugeBehaviourCodesReadAsConstant) {
    ASSERT_EQ(LoadText("LWSC\n3\nLoadObjectLayer 1 a.lwo\nObjectMotion\nNumChannels 1\nChannel 0\n"
                       "{ Envelope\n  2\n  Key 0 0 0 0 0 0 0 0 0\n  Key 1 1 0 0 0 0 0 0 0\n"
                       "  Behaviors 7.24014e+09 -1e300\n}\n"),
              0);
    EXPECT_EQ(r_GetKeysNum(0), 2);
    ExpectSaneScene();
    ASSERT_EQ(LoadText("LWSC\n2\nLoadObject a.lwo\nObjectMotion\n 9\n 1\n 0 0 0 0 0 0 1 1 1\n 0 0 0 0 0\n"
                       "Pre/PostBehavior 1e300 -7e9 inf nan\n"),
              0);
    EXPECT_EQ(r_GetKeysNum(0), 1);
    ExpectSaneScene();
}

}  // namespace
