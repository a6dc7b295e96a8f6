// Small data sets for the program's tests: version 1 scene files, LWOB
// objects and 24-bit TGA pictures, written by the tests themselves.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

// One key: frame, position and heading, pitch, bank in degrees.
struct Key {
    int frame;
    float x, y, z;
    float heading = 0, pitch = 0, bank = 0;
};

struct Item {
    std::string name;  // objects only
    std::vector<Key> keys;
    int parent = -1;  // object index from 0, -1 for none
};

// A version 1 scene: objects, then lights, then one camera.
std::string SceneText(const std::vector<Item>& objects, const std::vector<Item>& lights);
bool WriteText(const std::string& path, const std::string& text);

struct Surface {
    std::string name;
    uint8_t red = 200, green = 200, blue = 200;
    float luminosity = 0.8f;
    std::string image;  // planar colour map on the z axis when not empty
    float velocityX = 0, velocityY = 0;
};
// A box of the given half size around the origin, one surface per face pair
// cycling through the surfaces (all faces double-sided).
std::vector<uint8_t> BoxObject(float halfSize, const std::vector<Surface>& surfaces);
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// A 24-bit top-down TGA whose pixel (x, y) is colour(x, y) = 0xRRGGBB.
std::vector<uint8_t> Tga(int width, int height, uint32_t (*colour)(int x, int y));

// The whole data set the program loads by name, below dir: the four scenes
// (the main scene with 15 light tracks), the special objects and meshes, a rock
// with two detail levels, the fixed textures and the credits picture.
// withLake false leaves out terrain_lake.tga.
void WriteDataSet(const std::string& dir, bool withLake = true);

// Reads a 24-bit TGA as written by the frame capture; empty on failure.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // top-down
};
Picture ReadTga(const std::string& path);

}  // namespace demo
