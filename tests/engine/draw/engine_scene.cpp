#include "engine_scene.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "common/vecmath.h"
#include "platform/platform.h"
#include "tests/platform/platform_test_support.h"

namespace et {

std::vector<std::string> g_messages;

int Record(const char* message) {
    g_messages.emplace_back(message);
    return 0;
}

namespace {

using Bytes = std::vector<uint8_t>;

std::string g_dataDir;
void* g_backend = nullptr;  // a second reference to the back-end the engine linked
RasterFn_LockBackBufferPointer g_lockBack = nullptr;
RasterFn_ReleaseBackBufferPointer g_releaseBack = nullptr;

void PutU16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
}
void PutU32(Bytes& b, uint32_t v) {
    PutU16(b, v >> 16);
    PutU16(b, v);
}
void PutF32(Bytes& b, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    PutU32(b, v);
}
void PutText(Bytes& b, const std::string& s) {
    b.insert(b.end(), s.begin(), s.end());
    b.push_back(0);
    if (b.size() % 2) b.push_back(0);
}
void PutChunk(Bytes& out, const char* id, const Bytes& body) {
    out.insert(out.end(), id, id + 4);
    PutU32(out, uint32_t(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() % 2) out.push_back(0);
}
void PutSub(Bytes& out, const char* id, const Bytes& body) {
    out.insert(out.end(), id, id + 4);
    PutU16(out, uint32_t(body.size()));
    out.insert(out.end(), body.begin(), body.end());
}

Bytes SurfaceChunk(const Surface& s) {
    Bytes b, v;
    PutText(b, s.name);
    v = {s.red, s.green, s.blue, 0};
    PutSub(b, "COLR", v);
    v.clear();
    PutU16(v, s.flags);
    PutSub(b, "FLAG", v);
    v.clear();
    PutU16(v, uint32_t(std::lround(s.transparency * 256.0f)));
    PutSub(b, "TRAN", v);
    v.clear();
    PutF32(v, s.smoothing);
    PutSub(b, "SMAN", v);
    if (!s.texture.empty()) {
        v.clear();
        PutText(v, "Planar Image Map");
        PutSub(b, "CTEX", v);
        v.clear();
        PutText(v, s.texture);
        PutSub(b, "TIMG", v);
        v.clear();
        PutU16(v, 4);  // along z
        PutSub(b, "TFLG", v);
        v.clear();
        for (float f : {s.textureSize, s.textureSize, 1.0f}) PutF32(v, f);
        PutSub(b, "TSIZ", v);
        v.clear();
        for (int i = 0; i < 3; ++i) PutF32(v, 0.0f);
        PutSub(b, "TCTR", v);
    }
    return b;
}

bool WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(f);
}

// Brings the engine up for the whole program and down again at its end.
class EngineEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_EQ(platform_test::ConfigureHeadless(), 0);
        g_dataDir =
            (std::filesystem::temp_directory_path() / ("tessaly_engine_draw_" + std::to_string(getpid()))).string() +
            "/";
        std::filesystem::create_directories(g_dataDir);

        ASSERT_EQ(r_LinkRaster("t7dxraster.dll", nullptr), 0);
        ASSERT_GE(r_GetSysInfo(), 1);
        const int mode = r_SeekMode(0, kWidth, kHeight, 16, 0);
        ASSERT_GE(mode, 0);
        PlatWindow* window = nullptr;
        ASSERT_EQ(r_InitEngine(0, mode, 0, &window, EXCLUSIVEFULLSCREEN, nullptr), 0);
        r_AllocMaxModels(60, nullptr);
        r_AllocMaxVtcs(20000, nullptr);
        r_AllocMaxTextures(10, nullptr);
        r_AllocMaxImages(4, nullptr);
        r_AllocMaxAlphaMeshes(100);
        r_AllocMaxLights(60, 10000, nullptr);
        r_SetViewportArea(0.0f, 0.0f, 1.0f, 1.0f, nullptr);
        r_SetFrustum(1.0f, 0.75f, 1.0f, 1000.0f, nullptr);

        // Texture 0 is the flare picture, as in the program: a soft white disc.
        std::vector<uint32_t> disc(32 * 32);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const float d = std::hypot(x - 15.5f, y - 15.5f) / 16.0f;
                const uint32_t g = d >= 1.0f ? 0 : uint32_t((1.0f - d) * 255.0f);
                disc[size_t(y) * 32 + x] = g << 16 | g << 8 | g;
            }
        WriteTga("flare.tga", 32, 32, disc);
        char name[] = "flare.tga";
        ASSERT_EQ(r_LoadTexture(0, name, g_dataDir.c_str(), 0, nullptr), 0);

        g_backend = plat_LoadLibrary("t7dxraster.dll");
        ASSERT_NE(g_backend, nullptr);
        g_lockBack =
            reinterpret_cast<RasterFn_LockBackBufferPointer>(plat_GetProcAddress(g_backend, "r_LockBackBufferPointer"));
        g_releaseBack = reinterpret_cast<RasterFn_ReleaseBackBufferPointer>(
            plat_GetProcAddress(g_backend, "r_ReleaseBackBufferPointer"));
        ASSERT_NE(g_lockBack, nullptr);
    }

    void TearDown() override {
        if (g_backend) plat_FreeLibrary(g_backend);
        g_backend = nullptr;
        r_DeinitEngine();
        r_FreeAllocatedImages(nullptr);
        r_FreeAllocatedTextures(nullptr);
        r_FreeAllocatedAlphaMeshes();
        r_FreeRaster(nullptr);
        r_FreeAllocatedModels(nullptr);
        r_FreeAllocatedLights(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(g_dataDir, ignored);
    }
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new EngineEnvironment);

}  // namespace

float ScreenScale() { return kWidth * 0.5f / std::tan(0.5f); }
int ScreenX(float x, float z) { return int(std::lround(kWidth * 0.5f + x * ScreenScale() / z)); }
int ScreenY(float y, float z) { return int(std::lround(kHeight * 0.5f - y * ScreenScale() / z)); }

std::string DataDir() { return g_dataDir; }

Quad Rectangle(float left, float bottom, float right, float top, float depth, int surface) {
    Quad q;
    q.corners[0] = {left, bottom, depth};
    q.corners[1] = {left, top, depth};
    q.corners[2] = {right, top, depth};
    q.corners[3] = {right, bottom, depth};
    q.surface = surface;
    return q;
}

std::vector<Quad> Grid(float left, float bottom, float right, float top, float depth, int columns, int rows,
                       int surface) {
    std::vector<Quad> quads;
    const float w = (right - left) / float(columns), h = (top - bottom) / float(rows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            quads.push_back(Rectangle(left + w * float(c), bottom + h * float(r), left + w * float(c + 1),
                                      bottom + h * float(r + 1), depth, surface));
    return quads;
}

int LoadObject(const std::string& fileName, const std::vector<Surface>& surfaces, const std::vector<Quad>& quads) {
    Bytes points, names, polygons, chunks;
    for (const Quad& q : quads)
        for (const Vector3& p : q.corners) {
            PutF32(points, p.x);
            PutF32(points, p.y);
            PutF32(points, p.z);
        }
    for (const Surface& s : surfaces) PutText(names, s.name);
    uint32_t next = 0;
    for (const Quad& q : quads) {
        PutU16(polygons, 4);
        for (int k = 0; k < 4; ++k) PutU16(polygons, next++);
        PutU16(polygons, uint32_t(q.surface + 1));
    }
    PutChunk(chunks, "PNTS", points);
    PutChunk(chunks, "SRFS", names);
    PutChunk(chunks, "POLS", polygons);
    for (const Surface& s : surfaces) PutChunk(chunks, "SURF", SurfaceChunk(s));
    Bytes file;
    file.insert(file.end(), {'F', 'O', 'R', 'M'});
    PutU32(file, uint32_t(chunks.size() + 4));
    file.insert(file.end(), {'L', 'W', 'O', 'B'});
    file.insert(file.end(), chunks.begin(), chunks.end());
    if (!WriteBytes(g_dataDir + fileName, file)) return -1;
    std::vector<char> name(fileName.begin(), fileName.end());
    name.push_back(0);
    return r_LoadModel(-1, name.data(), g_dataDir.c_str(), g_dataDir.c_str(), 0, nullptr);
}

void WriteTga(const std::string& fileName, int width, int height, const std::vector<uint32_t>& pixels) {
    Bytes b(18, 0);
    b[2] = 2;  // true colour, uncompressed
    b[12] = uint8_t(width);
    b[13] = uint8_t(width >> 8);
    b[14] = uint8_t(height);
    b[15] = uint8_t(height >> 8);
    b[16] = 24;
    b[17] = 0x20;  // rows top first
    for (uint32_t p : pixels) {
        b.push_back(uint8_t(p));
        b.push_back(uint8_t(p >> 8));
        b.push_back(uint8_t(p >> 16));
    }
    WriteBytes(g_dataDir + fileName, b);
}

CMesh* Mesh(int model, int mesh) { return r_GetMeshPointer(model, mesh, nullptr); }

void Paint(CMesh* mesh, uint32_t argb) {
    for (int i = 0; i < mesh->capacity; ++i) mesh->coloursA[i] = mesh->coloursB[i] = argb;
}

void ClearFrame() {
    const Matrix44 identity = MatIdentity();
    r_SetCamMatrix(&identity);
    r_ClearScreen(0, nullptr);
    r_ClearZBuffer(1.0f, nullptr);
}

uint32_t Pixel(int x, int y) {
    int pitch = 0, bits = 0;
    const uint8_t* p = g_lockBack(&pitch, &bits);
    uint32_t rgb = 0;
    if (p != nullptr) {
        const uint8_t* q = p + size_t(y) * size_t(pitch) + size_t(x) * 3;
        rgb = uint32_t(q[2]) << 16 | uint32_t(q[1]) << 8 | q[0];
    }
    g_releaseBack();
    return rgb;
}

std::vector<uint8_t> BackBufferRgb(int left, int top, int width, int height) {
    int pitch = 0, bits = 0;
    const uint8_t* p = g_lockBack(&pitch, &bits);
    std::vector<uint8_t> rgb;
    if (p != nullptr) {
        rgb.reserve(size_t(width) * size_t(height) * 3);
        for (int y = top; y < top + height; ++y)
            for (int x = left; x < left + width; ++x) {
                const uint8_t* q = p + size_t(y) * size_t(pitch) + size_t(x) * 3;
                rgb.insert(rgb.end(), {q[2], q[1], q[0]});
            }
    }
    g_releaseBack();
    return rgb;
}

}  // namespace et
