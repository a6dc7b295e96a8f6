// The rasterizer bench's frames drawn by Mesa's llvmpipe through OSMesa, for a
// side-by-side comparison with our own figures (rasterizer_bench). Built only
// when OSMesa is installed (Debian: libosmesa6-dev); never a dependency of
// the program.
//
//   LP_NUM_THREADS=N build/bin/llvmpipe_bench
//
// runs llvmpipe with N rasterizer threads (0: everything on the calling
// thread, which is how it compares with our --threads 1). The frames match
// rasterizer_bench's: a 256 x 256 checker with a full mip chain, bilinear with
// linear mip blending, modulated by the vertex colour, 16-bit depth, depth
// test less-or-equal; four full-frame layers tilted in depth (w from 2.5 at
// the top to 1 at the bottom) drawn far to near; 20,000 triangles of about 20
// pixels. Positions go in as homogeneous (x w, y w, z w, w) under a matrix
// that maps pixels to clip space, so the perspective is the same as ours.
// Arguments: width, height, bits per pixel (16: RGB565 colour buffer, 32:
// RGBA8888). CPU time is the whole process's; each iteration ends with
// glFinish.
#include <benchmark/benchmark.h>

#include <GL/gl.h>
#include <GL/osmesa.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

struct Vertex {
    float x, y, z, rhw, u, v;
    uint32_t colour;  // 0xAARRGGBB
};

struct Target {
    OSMesaContext context = nullptr;
    std::vector<uint8_t> pixels;
    GLuint texture = 0;
    int width = 0, height = 0;
};

// An OSMesa context of the benchmark's size and depth, the checker texture
// bound; false (with the reason) when OSMesa cannot make one.
bool MakeTarget(benchmark::State& state, Target& t) {
    t.width = static_cast<int>(state.range(0));
    t.height = static_cast<int>(state.range(1));
    const bool wide = state.range(2) == 32;
    t.context = OSMesaCreateContextExt(wide ? OSMESA_RGBA : OSMESA_RGB_565, 16, 0, 0, nullptr);
    if (!t.context) {
        state.SkipWithError("OSMesaCreateContextExt failed");
        return false;
    }
    t.pixels.assign(static_cast<size_t>(t.width) * t.height * (wide ? 4 : 2), 0);
    if (!OSMesaMakeCurrent(t.context, t.pixels.data(), wide ? GL_UNSIGNED_BYTE : GL_UNSIGNED_SHORT_5_6_5, t.width,
                           t.height)) {
        state.SkipWithError("OSMesaMakeCurrent failed");
        return false;
    }
    static bool named = false;
    if (!named) {
        std::printf("renderer: %s, LP_NUM_THREADS=%s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                    std::getenv("LP_NUM_THREADS") ? std::getenv("LP_NUM_THREADS") : "(default)");
        named = true;
    }
    glViewport(0, 0, t.width, t.height);
    // Pixels (y down) to clip space, z 0..1 to -1..1; w passes through.
    const GLfloat m[16] = {2.0f / t.width, 0, 0, 0, 0, -2.0f / t.height, 0, 0, 0, 0, 2, 0, -1, 1, -1, 1};
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(m);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DITHER);
    glShadeModel(GL_SMOOTH);

    // The checker of rasterizer_bench, ARGB words as RGBA bytes, 2 x 2 box-filtered mips.
    int size = 256;
    std::vector<uint32_t> level(static_cast<size_t>(size) * size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            level[y * size + x] = ((x / 16 + y / 16) & 1) ? 0xFFE0C080u : 0xFF304060u ^ (x * 0x010203u);
    glGenTextures(1, &t.texture);
    glBindTexture(GL_TEXTURE_2D, t.texture);
    auto upload = [](int lvl, int s, const std::vector<uint32_t>& argb) {
        std::vector<uint8_t> rgba(argb.size() * 4);
        for (size_t i = 0; i < argb.size(); ++i) {
            rgba[4 * i] = static_cast<uint8_t>(argb[i] >> 16);
            rgba[4 * i + 1] = static_cast<uint8_t>(argb[i] >> 8);
            rgba[4 * i + 2] = static_cast<uint8_t>(argb[i]);
            rgba[4 * i + 3] = static_cast<uint8_t>(argb[i] >> 24);
        }
        glTexImage2D(GL_TEXTURE_2D, lvl, GL_RGBA8, s, s, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    };
    for (int lvl = 0;; ++lvl) {
        upload(lvl, size, level);
        if (size == 1) break;
        std::vector<uint32_t> next(static_cast<size_t>(size / 2) * (size / 2));
        for (int y = 0; y < size / 2; ++y)
            for (int x = 0; x < size / 2; ++x) {
                uint32_t out = 0;
                for (int sh = 0; sh < 32; sh += 8) {
                    uint32_t sum = 0;
                    for (int k = 0; k < 4; ++k) sum += (level[(2 * y + k / 2) * size + 2 * x + k % 2] >> sh) & 255;
                    out |= (sum / 4) << sh;
                }
                next[y * (size / 2) + x] = out;
            }
        level.swap(next);
        size /= 2;
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_TEXTURE_2D);
    return true;
}

void ReleaseTarget(Target& t) {
    if (t.texture) glDeleteTextures(1, &t.texture);
    if (t.context) OSMesaDestroyContext(t.context);
    t = Target{};
}

// Client arrays of one vertex list: homogeneous positions, texture
// coordinates, colours.
struct Arrays {
    std::vector<GLfloat> position, texCoord;
    std::vector<GLubyte> colour;
    explicit Arrays(const std::vector<Vertex>& v) {
        for (const Vertex& p : v) {
            const float w = 1.0f / p.rhw;
            position.insert(position.end(), {p.x * w, p.y * w, p.z * w, w});
            texCoord.insert(texCoord.end(), {p.u, p.v});
            colour.insert(colour.end(), {static_cast<GLubyte>(p.colour >> 16), static_cast<GLubyte>(p.colour >> 8),
                                         static_cast<GLubyte>(p.colour), static_cast<GLubyte>(p.colour >> 24)});
        }
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glVertexPointer(4, GL_FLOAT, 0, position.data());
        glTexCoordPointer(2, GL_FLOAT, 0, texCoord.data());
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, colour.data());
    }
};

void DrawFrames(benchmark::State& state, const std::vector<Vertex>& v, int64_t items, bool additive) {
    Arrays arrays(v);
    if (additive) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
    }
    for (auto _ : state) {
        glClear(GL_DEPTH_BUFFER_BIT);
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(v.size()));
        glFinish();
    }
    glDisable(GL_BLEND);
    state.SetItemsProcessed(state.iterations() * items);
}

void Fill(benchmark::State& state, bool additive) {
    Target t;
    if (!MakeTarget(state, t)) return;
    const float w = static_cast<float>(t.width), h = static_cast<float>(t.height);
    std::vector<Vertex> v;
    for (int layer = 0; layer < 4; ++layer) {
        const float z = 0.8f - 0.15f * layer, o = 0.37f * layer;
        const Vertex a{0, 0, z, 0.4f, o, o, 0xFFFFFFFF}, b{w, 0, z, 0.4f, o + 1.5f, o, 0xFFC0C0C0};
        const Vertex c{w, h, z, 1.0f, o + 3, o + 2.5f, 0xFFFFFFFF}, d{0, h, z, 1.0f, o, o + 2.5f, 0xFF808080};
        v.insert(v.end(), {a, b, c, a, c, d});
    }
    DrawFrames(state, v, 4LL * t.width * t.height, additive);
    ReleaseTarget(t);
}

void FillBilinear(benchmark::State& state) { Fill(state, false); }
void FillBilinearAdditive(benchmark::State& state) { Fill(state, true); }

void SmallTriangles(benchmark::State& state) {
    Target t;
    if (!MakeTarget(state, t)) return;
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> px(0, t.width - 8), py(0, t.height - 8), unit(0, 1);
    std::vector<Vertex> v;
    constexpr int kCount = 20000;
    for (int i = 0; i < kCount; ++i) {
        const float x = px(rng), y = py(rng), z = unit(rng), u = unit(rng), w = unit(rng);
        v.push_back({x, y, z, 1, u, w, 0xFFFFFFFF});
        v.push_back({x + 6.3f, y, z, 1, u + 0.03f, w, 0xFFA0A0A0});
        v.push_back({x, y + 6.3f, z, 1, u, w + 0.03f, 0xFF606060});
    }
    DrawFrames(state, v, kCount, false);
    ReleaseTarget(t);
}

}  // namespace

BENCHMARK(FillBilinear)
    ->ArgNames({"w", "h", "bits"})
    ->Args({640, 480, 16})
    ->Args({640, 480, 32})
    ->Args({1920, 1080, 16})
    ->Args({1920, 1080, 32})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(FillBilinearAdditive)
    ->ArgNames({"w", "h", "bits"})
    ->Args({640, 480, 16})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(SmallTriangles)
    ->ArgNames({"w", "h", "bits"})
    ->Args({640, 480, 16})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
