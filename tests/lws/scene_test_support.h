// Shared helpers of the scene library tests: scene files and whole-track reads.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include <unistd.h>

#include "tessaly/scene_api.h"

namespace lws_test {

inline constexpr float kTol = 1e-4f;  // what a value read from a scene may be off by
inline constexpr double kPi = std::numbers::pi;

// A scene library test: the loaded scene is dropped after each test.
class SceneTest : public testing::Test {
protected:
    void TearDown() override { r_ResetAnim(); }
};

inline std::string CorpusScene(const std::string& name) { return std::string(TESSALY_CORPUS_DIR) + "/lws/" + name; }

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes text to a scene file in the temporary folder and loads it. A new file
// rather than a truncated one: file systems flush a file that is truncated
// and rewritten, which makes the many-file tests crawl.
inline int LoadText(const std::string& text) {
    // One file per test process: ctest runs the tests of this program side by side.
    static const std::string path = testing::TempDir() + "lws_test_" + std::to_string(::getpid()) + ".lws";
    std::remove(path.c_str());
    std::ofstream(path, std::ios::binary) << text;
    return r_LoadAnim(path.c_str(), 0);
}

enum class Track { Object, Light, Camera };

inline std::vector<KeyFrameRecord> Keys(Track track, int index) {
    using Count = int (*)(int);
    using Get = int (*)(int, int, KeyFrameRecord*);
    const Count count[] = {r_GetKeysNum, r_GetLightKeysNum, r_GetCamKeysNum};
    const Get get[] = {r_GetKeyFrame, r_GetLightKeyFrame, r_GetCamKeyFrame};
    const int t = static_cast<int>(track);
    std::vector<KeyFrameRecord> keys(count[t](index));
    for (size_t k = 0; k < keys.size(); ++k) EXPECT_EQ(get[t](index, static_cast<int>(k), &keys[k]), 0);
    return keys;
}

inline std::vector<int> Frames(const std::vector<KeyFrameRecord>& keys) {
    std::vector<int> frames;
    for (const KeyFrameRecord& key : keys) frames.push_back(key.frame);
    return frames;
}

}  // namespace lws_test
