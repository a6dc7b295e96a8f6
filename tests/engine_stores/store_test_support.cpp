#include "store_test_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/platform.h"
#include "tessaly/engine_api.h"

namespace storetest {

std::vector<std::string>& Messages() {
    static std::vector<std::string> messages;
    return messages;
}

int Collect(const char* message) {
    Messages().emplace_back(message);
    return 0;
}

bool Saw(const std::string& message) {
    for (const std::string& m : Messages())
        if (m == message) return true;
    return false;
}

void EngineTest::SetUpTestSuite() {
    PlatOptions options{};
    options.headless = 1;
    ASSERT_EQ(plat_Configure(&options), 0);
    ASSERT_EQ(r_LinkRaster("t7dxraster.dll", nullptr), 0);
    ASSERT_GE(r_GetSysInfo(), 1);
    const int mode = r_SeekMode(0, 640, 480, 16, 0);
    ASSERT_GE(mode, 0);
    PlatWindow* window = nullptr;
    ASSERT_EQ(r_InitEngine(0, mode, 0, &window, EXCLUSIVEFULLSCREEN, nullptr), 0);
}

void EngineTest::TearDownTestSuite() {
    r_DeinitEngine();
    r_FreeRaster(nullptr);
}

void EngineTest::SetUp() {
    char pattern[] = "/tmp/engine_stores_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = std::string(pattern) + "/";
    Messages().clear();
    ASSERT_EQ(r_AllocMaxTextures(16, nullptr), 0);
    ASSERT_EQ(r_AllocMaxImages(4, nullptr), 0);
    r_AllocMaxModels(8, nullptr);
}

void EngineTest::TearDown() {
    r_FreeAllocatedModels(nullptr);
    r_FreeAllocatedImages(nullptr);
    r_FreeAllocatedTextures(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

void CopyFile(const std::string& from, const std::string& to) {
    ASSERT_TRUE(std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing)) << from;
}

void WriteTga(const std::string& path, int width, int height, int bits, uint8_t seed) {
    std::vector<uint8_t> file(18, 0);
    file[2] = 2;  // uncompressed true colour
    file[12] = uint8_t(width);
    file[13] = uint8_t(width >> 8);
    file[14] = uint8_t(height);
    file[15] = uint8_t(height >> 8);
    file[16] = uint8_t(bits);
    file[17] = 0x20 | (bits == 32 ? 8 : 0);  // top row first, alpha bits
    const size_t bytes = size_t(width) * height * (bits / 8);
    for (size_t i = 0; i < bytes; ++i) file.push_back(uint8_t(seed + i * 7));
    WriteBytes(path, file);
}

namespace {

using Bytes = std::vector<uint8_t>;

void U16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
}
void U32(Bytes& b, uint32_t v) {
    U16(b, v >> 16);
    U16(b, v & 0xFFFF);
}
void F32(Bytes& b, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    U32(b, v);
}
void Text(Bytes& b, const std::string& text) {  // zero-terminated, padded to even length
    b.insert(b.end(), text.begin(), text.end());
    b.push_back(0);
    if (b.size() % 2) b.push_back(0);
}
void Id(Bytes& b, const char* id) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(id[i]));
}
void Chunk(Bytes& out, const char* id, const Bytes& body) {
    Id(out, id);
    U32(out, uint32_t(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() % 2) out.push_back(0);
}
void SubChunk(Bytes& out, const char* id, const Bytes& body) {
    Id(out, id);
    U16(out, uint32_t(body.size()));
    out.insert(out.end(), body.begin(), body.end());
}

}  // namespace

std::vector<uint8_t> BuildLwob(const std::vector<TestSurface>& surfaces) {
    Bytes names, points, polygons, chunks;
    for (size_t s = 0; s < surfaces.size(); ++s) {
        Text(names, surfaces[s].name);
        U16(polygons, 3);
        for (int k = 0; k < 3; ++k) {
            const Vector3& p = surfaces[s].triangle.at(k);
            F32(points, p.x);
            F32(points, p.y);
            F32(points, p.z);
            U16(polygons, uint32_t(s * 3 + k));
        }
        U16(polygons, uint32_t(s + 1));
    }
    Chunk(chunks, "SRFS", names);
    Chunk(chunks, "PNTS", points);
    Chunk(chunks, "POLS", polygons);
    for (const TestSurface& surface : surfaces) {
        Bytes body;
        Text(body, surface.name);
        SubChunk(body, "COLR", {surface.red, surface.green, surface.blue, 0});
        Bytes angle;
        F32(angle, surface.smoothing);
        SubChunk(body, "SMAN", angle);
        if (!surface.image.empty()) {
            Bytes type, image, size;
            Text(type, "Planar Image Map");
            SubChunk(body, "CTEX", type);
            Text(image, surface.image);
            SubChunk(body, "TIMG", image);
            F32(size, 1.0f);
            F32(size, 1.0f);
            F32(size, 1.0f);
            SubChunk(body, "TSIZ", size);
        }
        Chunk(chunks, "SURF", body);
    }
    Bytes file;
    Id(file, "FORM");
    U32(file, uint32_t(chunks.size() + 4));
    Id(file, "LWOB");
    file.insert(file.end(), chunks.begin(), chunks.end());
    return file;
}

}  // namespace storetest
