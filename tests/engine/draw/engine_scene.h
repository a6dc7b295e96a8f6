// The engine brought up once for the whole test program, the way the program
// does it: the real back-end headless at 640 x 480 x 16, every store
// allocated. Helpers write small LWOB objects and TGA pictures into a
// temporary data folder, load them and read the back buffer.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tessaly/engine_api.h"

namespace et {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
// Pixels per unit at camera depth 1 for the test frustum (field of view 1.0).
float ScreenScale();

// One surface of a test object.
struct Surface {
    explicit Surface(std::string surfaceName, float surfaceTransparency = 0.0f, uint16_t surfaceFlags = 0x100)
        : name(std::move(surfaceName)), flags(surfaceFlags), transparency(surfaceTransparency) {}
    std::string name;
    uint8_t red = 200, green = 200, blue = 200;
    uint16_t flags = 0x100;     // FLAG: double-sided; 0x200 additive
    float transparency = 0.0f;  // TRAN
    float smoothing = 0.0f;     // SMAN, radians (light range = smoothing x 56.3)
    std::string texture;        // colour texture file, planar along z
    float textureSize = 1.0f;   // TSIZ x and y of that texture
};

// A four-cornered polygon of surface `surface` (0-based).
struct Quad {
    Vector3 corners[4];
    int surface = 0;
};

// A rectangle in the plane z = depth, corners ordered so its normal faces the
// camera at the origin.
Quad Rectangle(float left, float bottom, float right, float top, float depth, int surface);
// The same rectangle cut into columns x rows quads.
std::vector<Quad> Grid(float left, float bottom, float right, float top, float depth, int columns, int rows,
                       int surface);

// Writes the object into the data folder and loads it into the first free
// slot; returns the handle (or -1).
int LoadObject(const std::string& fileName, const std::vector<Surface>& surfaces, const std::vector<Quad>& quads);
// Writes a 24-bit TGA into the data folder; pixels are 0xRRGGBB rows, top first.
void WriteTga(const std::string& fileName, int width, int height, const std::vector<uint32_t>& pixels);
std::string DataDir();  // ends in '/'

CMesh* Mesh(int model, int mesh);
// Sets both colour arrays of every allocated vertex.
void Paint(CMesh* mesh, uint32_t argb);

// Clears colour and depth, puts the camera at the origin looking along +z.
void ClearFrame();
// 0xRRGGBB of a back-buffer pixel.
uint32_t Pixel(int x, int y);
// The back buffer as 8-bit RGB rows, cut to the rectangle.
std::vector<uint8_t> BackBufferRgb(int left, int top, int width, int height);

inline int Red(uint32_t rgb) { return int(rgb >> 16 & 0xFF); }
inline int Green(uint32_t rgb) { return int(rgb >> 8 & 0xFF); }
inline int Blue(uint32_t rgb) { return int(rgb & 0xFF); }

// Screen position of a camera-space point under the identity camera.
int ScreenX(float x, float z);
int ScreenY(float y, float z);

// Messages handed to the recording callback since the last ClearMessages().
extern std::vector<std::string> g_messages;
int Record(const char* message);

}  // namespace et
