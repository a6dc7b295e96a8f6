#include "store_test_support.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/platform.h"
#include "tessaly/engine_api.h"
#include "tests/common/big_endian.h"
#include "tests/platform/platform_test_support.h"

namespace storetest {

bool Saw(const std::string& message) {
    for (const std::string& m : Messages())
        if (m == message) return true;
    return false;
}

void EngineTest::SetUpTestSuite() {
    ASSERT_EQ(platform_test::ConfigureHeadless(), 0);
    ASSERT_EQ(r_LinkRaster("t7dxraster.dll", nullptr), 0);
    ASSERT_GE(r_GetSysInfo(), 1);
    PlatWindow* window = nullptr;
    ASSERT_EQ(r_InitEngine(0, r_SeekMode(0, 640, 480, 16, 0), 0, &window, EXCLUSIVEFULLSCREEN, nullptr), 0);
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
    std::filesystem::remove_all(dir_);
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

void WriteTga(const std::string& path, int width, int height, int bits) {
    // Uncompressed true colour, top row first, 8 alpha bits at 32 bits.
    std::vector<uint8_t> file = {0,
                                 0,
                                 2,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0,
                                 uint8_t(width),
                                 uint8_t(width >> 8),
                                 uint8_t(height),
                                 uint8_t(height >> 8),
                                 uint8_t(bits),
                                 uint8_t(bits == 32 ? 0x28 : 0x20)};
    file.resize(file.size() + size_t(width) * height * (bits / 8), 0x5A);
    WriteBytes(path, file);
}

namespace {

using Bytes = std::vector<uint8_t>;

using big_endian::F32;
using big_endian::U16;
using big_endian::U32;

void Text(Bytes& b, const std::string& text) {  // zero-terminated, padded to even length
    for (char c : text) b.push_back(uint8_t(c));
    b.push_back(0);
    if (b.size() % 2) b.push_back(0);
}
// Identifier, length (32 bits for chunks, 16 for sub-chunks), body.
void Chunk(Bytes& out, const char* id, const Bytes& body, bool sub = false) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(id[i]));
    sub ? U16(out, uint32_t(body.size())) : U32(out, uint32_t(body.size()));
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
            for (float f : {p.x, p.y, p.z}) F32(points, f);
            U16(polygons, uint32_t(s * 3 + k));
        }
        U16(polygons, uint32_t(s + 1));
    }
    Chunk(chunks, "SRFS", names);
    Chunk(chunks, "PNTS", points);
    Chunk(chunks, "POLS", polygons);
    for (const TestSurface& surface : surfaces) {
        Bytes body, angle, type, image;
        Text(body, surface.name);
        Chunk(body, "COLR", {surface.rgb[0], surface.rgb[1], surface.rgb[2], 0}, true);
        F32(angle, surface.smoothing);
        Chunk(body, "SMAN", angle, true);
        if (!surface.image.empty()) {
            Text(type, "Planar Image Map");
            Chunk(body, "CTEX", type, true);
            Text(image, surface.image);
            Chunk(body, "TIMG", image, true);
        }
        Chunk(chunks, "SURF", body);
    }
    chunks.insert(chunks.begin(), {'L', 'W', 'O', 'B'});
    Bytes file;
    Chunk(file, "FORM", chunks);
    return file;
}

}  // namespace storetest
