// Shared helpers of the scene library tests: temporary scene files, corpus
// paths and whole-track reads.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tessaly/scene_api.h"

namespace lws_test {

inline std::string CorpusScene(const std::string& name)
{
    return std::string(TESSALY_CORPUS_DIR) + "/lws/" + name;
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes text to a file in the test's temporary folder and returns its path.
inline std::string WriteScene(const std::string& name, const std::string& text)
{
    const std::string path = testing::TempDir() + "lws_" + name;
    // A new file rather than a truncated one: file systems flush a file that
    // is truncated and rewritten, which makes the many-file tests crawl.
    std::remove(path.c_str());
    std::ofstream out(path, std::ios::binary);
    out << text;
    return path;
}

enum class Track { Object, Light, Camera };

inline int KeyCount(Track track, int index)
{
    switch (track) {
    case Track::Object: return r_GetKeysNum(index);
    case Track::Light: return r_GetLightKeysNum(index);
    default: return r_GetCamKeysNum(index);
    }
}

inline int GetKey(Track track, int index, int key, KeyFrameRecord* record)
{
    switch (track) {
    case Track::Object: return r_GetKeyFrame(index, key, record);
    case Track::Light: return r_GetLightKeyFrame(index, key, record);
    default: return r_GetCamKeyFrame(index, key, record);
    }
}

inline std::vector<KeyFrameRecord> Keys(Track track, int index)
{
    std::vector<KeyFrameRecord> keys(KeyCount(track, index));
    for (size_t k = 0; k < keys.size(); ++k)
        EXPECT_EQ(GetKey(track, index, static_cast<int>(k), &keys[k]), 0);
    return keys;
}

inline std::vector<int> Frames(const std::vector<KeyFrameRecord>& keys)
{
    std::vector<int> frames;
    for (const KeyFrameRecord& key : keys)
        frames.push_back(key.frame);
    return frames;
}

}  // namespace lws_test
