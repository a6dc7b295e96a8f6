// fuzz_seeds DIR: writes small valid inputs for every harness into DIR/lwo,
// DIR/tga, DIR/lws and DIR/console, made with the demo generator's writers
// plus hand-built variants the writers do not produce (run-length, grey,
// colour-mapped and 16-bit pictures, other origins).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/formats/lwob_writer.h"
#include "tools/formats/scene_writer.h"
#include "tools/formats/tga_writer.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

fs::path g_out;

void Write(const std::string& kind, const std::string& name, const Bytes& bytes) {
    std::ofstream(g_out / kind / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteText(const std::string& kind, const std::string& name, const std::string& text) {
    Write(kind, name, Bytes(text.begin(), text.end()));
}

// ---- objects

void Objects() {
    using namespace demo;
    LwobObject cube;
    const Vec3 corners[] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                            {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
    for (const Vec3& c : corners) cube.AddPoint(c);
    LwobSurface plain;
    plain.name = "Plain";
    LwobSurface textured;
    textured.name = "LOMNI lamp";
    textured.flags = kSurfaceSmoothing | kSurfaceDoubleSided;
    textured.smoothingAngle = 1.2f;
    textured.luminosity = 0.5f;
    textured.reflection = 0.25f;
    textured.transparency = 0.1f;
    const TextureMap maps[] = {TextureMap::Planar, TextureMap::Cubic, TextureMap::Cylindrical};
    const TextureChannel channels[] = {TextureChannel::Colour, TextureChannel::Reflection, TextureChannel::Bump};
    for (int i = 0; i < 3; ++i) {
        LwobTexture t;
        t.map = maps[i];
        t.channel = channels[i];
        t.image = "map" + std::to_string(i) + ".tga";
        t.axis = static_cast<uint16_t>(1 << i);
        t.size = {2, 2, 2};
        t.velocity = {0.1f, 0, 0};
        t.wrap = 2;
        textured.textures.push_back(t);
    }
    LwobSurface additive;
    additive.name = "Glow";
    additive.flags = kSurfaceAdditive | kSurfaceSourceColour;
    const int s1 = cube.AddSurface(plain);
    const int s2 = cube.AddSurface(textured);
    const int s3 = cube.AddSurface(additive);
    cube.AddPolygon({0, 3, 2, 1}, s1);
    cube.AddPolygon({4, 5, 6, 7}, s1);
    cube.AddPolygon({0, 1, 5, 4}, s2);
    cube.AddPolygon({2, 3, 7, 6}, s2);
    cube.AddPolygon({1, 2, 6, 5}, s3);
    cube.AddPolygon({0, 4, 7, 3}, s3);
    Write("lwo", "cube.lwo", cube.Bytes());

    // A concave outline and a triangle sharing points: ear clipping and welding.
    LwobObject shape;
    const Vec3 outline[] = {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {2, 1, 0}, {0, 4, 0}, {2, -2, 0}};
    for (const Vec3& p : outline) shape.AddPoint(p);
    LwobSurface smooth;
    smooth.name = "Smooth";
    smooth.flags = kSurfaceSmoothing;
    smooth.smoothingAngle = 3.0f;
    const int s = shape.AddSurface(smooth);
    shape.AddPolygon({0, 1, 2, 3, 4}, s);
    shape.AddPolygon({0, 5, 1}, s);
    Write("lwo", "concave.lwo", shape.Bytes());

    // Many corners at one point: a polygon whose 300 corners all name one
    // point, and a fan of 300 triangles round an apex, both smoothed.
    LwobObject crowded;
    crowded.AddPoint({0, 0, 0});
    const int apex = crowded.AddPoint({0, 1, 0});
    for (int i = 0; i < 300; ++i) {
        const float a = 6.2831853f * static_cast<float>(i) / 300.0f;
        crowded.AddPoint({std::cos(a), 0, std::sin(a)});
    }
    LwobSurface crowd;
    crowd.name = "Crowd";
    crowd.flags = kSurfaceSmoothing;
    crowd.smoothingAngle = 0.02f;
    const int c = crowded.AddSurface(crowd);
    crowded.AddPolygon(std::vector<int>(300, 0), c);
    for (int i = 0; i < 300; ++i) crowded.AddPolygon({apex, 2 + (i + 1) % 300, 2 + i}, c);
    Write("lwo", "crowded.lwo", crowded.Bytes());
}

// ---- pictures

struct TgaHeader {
    int idLength = 0, mapType = 0, imageType = 2, mapFirst = 0, mapLength = 0, mapBits = 0;
    int width = 0, height = 0, bits = 24, descriptor = 0;
};

Bytes Header(const TgaHeader& h) {
    return Bytes{uint8_t(h.idLength),
                 uint8_t(h.mapType),
                 uint8_t(h.imageType),
                 uint8_t(h.mapFirst),
                 uint8_t(h.mapFirst >> 8),
                 uint8_t(h.mapLength),
                 uint8_t(h.mapLength >> 8),
                 uint8_t(h.mapBits),
                 0,
                 0,
                 0,
                 0,
                 uint8_t(h.width),
                 uint8_t(h.width >> 8),
                 uint8_t(h.height),
                 uint8_t(h.height >> 8),
                 uint8_t(h.bits),
                 uint8_t(h.descriptor)};
}

void Append(Bytes& to, const Bytes& more) { to.insert(to.end(), more.begin(), more.end()); }

void Pictures() {
    demo::Picture picture(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            picture.At(x, y) = demo::Rgba{uint8_t(x * 50), uint8_t(y * 80), uint8_t(x * y * 10), uint8_t(255 - x)};
    Write("tga", "rgb24.tga", demo::TgaBytes(picture, 24));
    Write("tga", "rgba32.tga", demo::TgaBytes(picture, 32));

    // 16-bit true colour, bottom-up and right to left, with an id field.
    Bytes b = Header({3, 0, 2, 0, 0, 0, 4, 2, 16, 0x10});
    Append(b, {'i', 'd', '!'});
    for (int i = 0; i < 8; ++i) Append(b, {uint8_t(i * 31), uint8_t(0x7C ^ i)});
    Write("tga", "rgb16.tga", b);

    // Grey, raw and run-length.
    b = Header({0, 0, 3, 0, 0, 0, 4, 2, 8, 0x20});
    Append(b, {0, 40, 80, 120, 160, 200, 240, 255});
    Write("tga", "grey.tga", b);
    b = Header({0, 0, 11, 0, 0, 0, 4, 2, 8, 0x20});
    Append(b, {0x83, 77, 0x03, 1, 2, 3, 4});
    Write("tga", "grey_rle.tga", b);

    // Colour-mapped: 24-bit and 15-bit maps, one run-length.
    b = Header({0, 1, 1, 2, 3, 24, 3, 2, 8, 0});
    Append(b, {255, 0, 0, 0, 255, 0, 0, 0, 255});
    Append(b, {2, 3, 4, 4, 3, 2});
    Write("tga", "mapped.tga", b);
    b = Header({0, 1, 9, 0, 2, 15, 3, 2, 8, 0x30});
    Append(b, {0x1F, 0x00, 0xE0, 0x03});
    Append(b, {0x82, 1, 0x02, 0, 1, 0});
    Write("tga", "mapped_rle.tga", b);

    // True colour run-length, 24 and 32 bits, a run crossing rows.
    b = Header({0, 0, 10, 0, 0, 0, 3, 3, 24, 0});
    Append(b, {0x84, 10, 20, 30, 0x03, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    Write("tga", "rgb_rle.tga", b);
    b = Header({0, 0, 10, 0, 0, 0, 2, 2, 32, 0x28});
    Append(b, {0x81, 1, 2, 3, 4, 0x01, 5, 6, 7, 8, 9, 10, 11, 12});
    Write("tga", "rgba_rle.tga", b);
}

// ---- scenes

void Scenes() {
    using namespace demo;
    Scene scene;
    scene.framesPerSecond = 25;
    scene.lastFrame = 100;
    SceneObject ground{"GROUND.LWO", {{0, {0, 0, 0}}, {50, {1, 2, 3}, 90, 10, 0}}, -1};
    SceneObject rock{"ROCK.LWO", {{0, {5, 0, 0}}, {25, {5, 1, 0}, 0, 0, 45}, {100, {0, 0, 5}}}, 0};
    scene.objects = {ground, rock};
    scene.lights = {{"Sun", {{0, {0, 10, 0}, 0, 90, 0}}, -1, 255, 240, 200, LightKind::Distant},
                    {"Lamp", {{0, {1, 1, 1}}, {60, {2, 1, 1}}}, 1, 255, 0, 0, LightKind::Spot}};
    scene.cameraKeys = {{0, {0, 1, -10}}, {100, {0, 5, -20}, 30, 5, 0}};
    WriteText("lws", "written.lws", SceneText(scene));
}

// ---- console lines

void ConsoleLines() {
    const char* const lines[] = {
        "HELP\nABOUT",
        "SETANIMFPS 25.5\nSTEPANIM 3\nSTEP 0.25",
        "SETAMBIENT 0.5 0.25 1",
        "BILINEAR\nDITHER\nANTIALIAS\nFPS\nPOINT\nWIRE\nSOLID\nRESET",
        "CURRENTPATHS\nDIR\nDIRMAPS\nDIRSCENES",
        "SETMESHPATH meshes\nSETMAPPATH /tmp/\nSETSHOTSPATH x\nSETSCENESPATH y/\nSETIMAGESPATH z",
        "LOAD a\nSURFINFO\nTEXTURESNUM\nTEXTUREDATA 2",
        "LOAD missing\nCONSOLEBACKGROUND back.tga",
        "QUIT\nEXIT\nnothing",
    };
    int n = 0;
    for (const char* line : lines) WriteText("console", "lines" + std::to_string(n++) + ".txt", line);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
        return 2;
    }
    g_out = argv[1];
    for (const char* kind : {"lwo", "tga", "lws", "console"}) fs::create_directories(g_out / kind);
    Objects();
    Pictures();
    Scenes();
    ConsoleLines();
    return 0;
}
