#include "demo_data.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/common/big_endian.h"

namespace demo {
namespace {

using Bytes = std::vector<uint8_t>;

using big_endian::F32;
using big_endian::U16;
using big_endian::U32;

void Id(Bytes& b, const char* id) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(id[i]));
}
void Text(Bytes& b, const std::string& text) {
    b.insert(b.end(), text.begin(), text.end());
    b.push_back(0);
    if (b.size() % 2) b.push_back(0);
}
void Chunk(Bytes& out, const char* id, const Bytes& body) {
    Id(out, id);
    U32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() % 2) out.push_back(0);
}
void Sub(Bytes& out, const char* id, const Bytes& body) {
    Id(out, id);
    U16(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
}

void KeyLines(std::string& s, const std::vector<Key>& keys) {
    char line[256];
    std::snprintf(line, sizeof line, "  9\n  %zu\n", keys.size());
    s += line;
    for (const Key& k : keys) {
        std::snprintf(line, sizeof line, "  %g %g %g %g %g %g 1 1 1\n  %d 0 0 0 0\n", k.x, k.y, k.z, k.heading, k.pitch,
                      k.bank, k.frame);
        s += line;
    }
    s += "EndBehavior 1\n";
}

// An item's keys and its parent line, if it has a parent.
void MotionLines(std::string& s, const Item& item) {
    KeyLines(s, item.keys);
    if (item.parent >= 0) s += "ParentObject " + std::to_string(item.parent + 1) + "\n";
}

uint32_t Flare(int x, int y) {
    const int dx = x - 8, dy = y - 8;
    const int v = 255 - (dx * dx + dy * dy) * 4;
    const uint32_t c = static_cast<uint32_t>(v < 0 ? 0 : v);
    return c << 16 | c << 8 | c;
}
uint32_t Ember(int x, int y) { return static_cast<uint32_t>((x * 8) << 16 | (y * 4) << 8); }
uint32_t Lake(int x, int y) { return static_cast<uint32_t>(((x ^ y) & 8) ? 0x2060c0 : 0x80c0f0); }
uint32_t Credits(int x, int y) {
    const bool stripe = (x / 8 + y / 8) % 2 == 0;
    return stripe ? 0xffd040u : 0x203080u;
}

Surface Surf(const char* name, uint8_t r, uint8_t g, uint8_t b, float luminosity = 0.8f, const char* image = "",
             float velocityX = 0) {
    Surface s;
    s.name = name;
    s.red = r;
    s.green = g;
    s.blue = b;
    s.luminosity = luminosity;
    s.image = image;
    s.velocityX = velocityX;
    return s;
}

}  // namespace

std::string SceneText(const std::vector<Item>& objects, const std::vector<Item>& lights) {
    std::string s = "LWSC\n1\n\nFirstFrame 0\nLastFrame 60\n\n";
    char line[300];
    for (const Item& o : objects) {
        std::snprintf(line, sizeof line, "LoadObject Objects\\%s\nObjectMotion (unnamed)\n", o.name.c_str());
        s += line;
        MotionLines(s, o);
        s += "\n";
    }
    s += "AmbientColor 255 255 255\n";
    for (const Item& l : lights) {
        s += "AddLight\nLightName Light\nLightMotion (unnamed)\n";
        MotionLines(s, l);
        s += "LightColor 255 255 255\nLgtIntensity 1\nLightType 1\n\n";
    }
    s += "ShowCamera 1 0\nCameraMotion (unnamed)\n  9\n  1\n  0 0 -10 0 0 0 1 1 1\n  0 0 0 0 0\nEndBehavior 1\n";
    return s;
}

bool WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<uint8_t> BoxObject(float h, const std::vector<Surface>& surfaces) {
    Bytes names, points, polygons, chunks;
    for (const Surface& s : surfaces) Text(names, s.name);
    const float corners[8][3] = {{-h, -h, -h}, {h, -h, -h}, {h, h, -h}, {-h, h, -h},
                                 {-h, -h, h},  {h, -h, h},  {h, h, h},  {-h, h, h}};
    for (const auto& c : corners)
        for (float v : c) F32(points, v);
    const int faces[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 4, 7, 3}, {1, 2, 6, 5}, {0, 1, 5, 4}, {3, 7, 6, 2}};
    for (int f = 0; f < 6; ++f) {
        U16(polygons, 4);
        for (int c : faces[f]) U16(polygons, static_cast<uint32_t>(c));
        U16(polygons, static_cast<uint32_t>(1 + (f / 2) % surfaces.size()));
    }
    Chunk(chunks, "SRFS", names);
    Chunk(chunks, "PNTS", points);
    Chunk(chunks, "POLS", polygons);
    for (const Surface& s : surfaces) {
        Bytes surf;
        Text(surf, s.name);
        Sub(surf, "COLR", Bytes{s.red, s.green, s.blue, 0});
        Bytes flag;
        U16(flag, 0x100);
        Sub(surf, "FLAG", flag);
        Bytes lumi;
        U16(lumi, static_cast<uint32_t>(s.luminosity * 256));
        Sub(surf, "LUMI", lumi);
        if (!s.image.empty()) {
            Bytes type;
            Text(type, "Planar Image Map");
            Sub(surf, "CTEX", type);
            Bytes image;
            Text(image, s.image);
            Sub(surf, "TIMG", image);
            Bytes axis;
            U16(axis, 4);
            Sub(surf, "TFLG", axis);
            Bytes size;
            F32(size, 2 * h);
            F32(size, 2 * h);
            F32(size, 2 * h);
            Sub(surf, "TSIZ", size);
            Bytes velocity;
            F32(velocity, s.velocityX);
            F32(velocity, s.velocityY);
            F32(velocity, 0);
            Sub(surf, "TVEL", velocity);
        }
        Chunk(chunks, "SURF", surf);
    }
    Bytes file;
    Id(file, "FORM");
    U32(file, static_cast<uint32_t>(chunks.size() + 4));
    Id(file, "LWOB");
    file.insert(file.end(), chunks.begin(), chunks.end());
    return file;
}

std::vector<uint8_t> Tga(int width, int height, uint32_t (*colour)(int, int)) {
    Bytes b(18, 0);
    b[2] = 2;
    b[12] = static_cast<uint8_t>(width);
    b[13] = static_cast<uint8_t>(width >> 8);
    b[14] = static_cast<uint8_t>(height);
    b[15] = static_cast<uint8_t>(height >> 8);
    b[16] = 24;
    b[17] = 0x20;  // top-down rows
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t c = colour(x, y);
            b.push_back(static_cast<uint8_t>(c));
            b.push_back(static_cast<uint8_t>(c >> 8));
            b.push_back(static_cast<uint8_t>(c >> 16));
        }
    return b;
}

void WriteDataSet(const std::string& dir, bool withLake) {
    namespace fs = std::filesystem;
    for (const char* sub : {"maps", "meshes", "images", "music", "scenes", "shots"})
        fs::create_directories(fs::path(dir) / sub);
    const std::string maps = dir + "/maps/", meshes = dir + "/meshes/", scenes = dir + "/scenes/";

    WriteBytes(maps + "fx_flare.tga", Tga(16, 16, Flare));
    WriteBytes(maps + "fx_phire.tga", Tga(32, 64, Ember));
    if (withLake) WriteBytes(maps + "terrain_lake.tga", Tga(32, 32, Lake));
    WriteBytes(dir + "/images/credits.tga", Tga(64, 48, Credits));

    WriteBytes(meshes + "GLOW.LWO", BoxObject(1.0f, {Surf("GLOW", 255, 220, 120)}));
    WriteBytes(meshes + "HalfMask1.lwo", BoxObject(0.6f, {Surf("Mask", 220, 220, 255)}));
    WriteBytes(meshes + "HALFMASK2.LWO", BoxObject(0.4f, {Surf("MASK2", 255, 200, 200)}));
    WriteBytes(meshes + "SKY.LWO", BoxObject(40.0f, {Surf("CLOUDS", 120, 160, 255, 1.0f, "terrain_lake.tga", 0.01f)}));
    WriteBytes(meshes + "ROCK.LWO", BoxObject(1.0f, {Surf("STONE", 160, 140, 120), Surf("MOSS", 80, 160, 80)}));
    WriteBytes(meshes + "ROCK_MM1.LWO", BoxObject(1.0f, {Surf("STONE", 160, 140, 120)}));
    WriteBytes(meshes + "ROCK_MM2.LWO", BoxObject(1.0f, {Surf("STONE", 100, 100, 100)}));
    WriteBytes(meshes + "FIRE.LWO", BoxObject(1.0f, {Surf("FLAME", 255, 255, 255, 1.0f, "fx_phire.tga")}));
    WriteBytes(meshes + "LAKE.LWO", BoxObject(3.0f, {Surf("WATER", 255, 255, 255, 1.0f, "terrain_lake.tga")}));
    WriteBytes(meshes + "ENDTITLE.LWO", BoxObject(1.5f, {Surf("ENDSURF", 255, 255, 255)}));

    auto still = [](float x, float y, float z) { return std::vector<Key>{{0, x, y, z}}; };
    auto view = [](float x, float z, float heading) { return Item{"", {{0, x, 0, z, heading}}, -1}; };

    WriteText(scenes + "intromask.lws", SceneText({{"GLOW.LWO", {{0, 0, 0, 0}, {399, 0, 0, 0, 180}}},
                                                   {"HalfMask1.lwo", still(-1.5f, 0, 0)},
                                                   {"HALFMASK2.LWO", still(1.5f, 0, 0)}},
                                                  {{"", {{0, 0, 0, -6}, {399, 0, 0, -4}}}}));

    // Views 0 to 14 circle the scene; view 5 rides on the rock.
    std::vector<Item> mainViews;
    for (int v = 0; v < 15; ++v) mainViews.push_back(view(static_cast<float>(v % 3 - 1) * 2, -8, 0));
    mainViews[5] = Item{"", {{0, 0, 1, -5}}, 1};
    WriteText(scenes + "main.lws", SceneText({{"SKY.LWO", still(0, 0, 0)},
                                              {"ROCK.LWO", {{0, -2, 0, 0}, {3699, 2, 0, 0, 360}}},
                                              {"FIRE.LWO", still(2, 0, 2)}},
                                             mainViews));

    std::vector<Item> innerViews;
    for (int v = 0; v < 5; ++v) innerViews.push_back(view(0, -10.0f + v, static_cast<float>(v * 10)));
    WriteText(
        scenes + "inner.lws",
        SceneText({{"LAKE.LWO", {{0, 0, 0, 2}, {1274, 0, 0, 2, 90}}}, {"ROCK.LWO", still(0, 0, -4)}}, innerViews));

    WriteText(scenes + "endtitle.lws", SceneText({{"ENDTITLE.LWO", still(0, 0, 0)}}, {view(0, -6, 0)}));
}

Picture ReadTga(const std::string& path) {
    Picture p;
    std::ifstream in(path, std::ios::binary);
    const Bytes b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() < 18 || b[2] != 2 || b[16] != 24) return p;
    const int w = b[12] | b[13] << 8, h = b[14] | b[15] << 8;
    const size_t start = 18 + b[0];
    if (b.size() < start + static_cast<size_t>(w) * h * 3) return p;
    const bool topDown = (b[17] & 0x20) != 0;
    p.width = w;
    p.height = h;
    p.rgb.resize(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        const int from = topDown ? y : h - 1 - y;
        for (int x = 0; x < w; ++x) {
            const uint8_t* px = &b[start + (static_cast<size_t>(from) * w + x) * 3];
            uint8_t* out = &p.rgb[(static_cast<size_t>(y) * w + x) * 3];
            out[0] = px[2];
            out[1] = px[1];
            out[2] = px[0];
        }
    }
    return p;
}

}  // namespace demo
