// The corpus pictures (two 2048 x 1024 JPEGs, two 512 x 512 PNGs) and TGA
// copies of the same pixels, read by their plug-ins alone (r_Load2D) and
// loaded as textures through the engine (r_LoadTexture: plug-in loaded,
// picture read, the engine's copy, the back-end's mip chain). Each reports
// Mpixels per CPU second and CPU milliseconds per Mpixel.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tessaly/engine_api.h"
#include "tessaly/plugin_interface.h"

namespace {

namespace fs = std::filesystem;

struct Picture {
    const char* name;  // as the bench names it
    std::string dir;   // with '/' at the end
    std::string file;
};

const std::string kCorpus = TESSALY_CORPUS_DIR;
fs::path g_tgaDir;
std::vector<Picture> g_pictures;

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

ImagePluginTable Bind(void* library) {
    ImagePluginTable t{};
#define BIND(field, type, exportName) t.field = reinterpret_cast<type>(dlsym(library, #exportName));
    TESSALY_IMAGE_PLUGIN_ENTRIES(BIND)
#undef BIND
    return t;
}

void* Open(const std::string& extension) {
    return dlopen((std::string(TESSALY_BIN_DIR "/") + extension + ".so").c_str(), RTLD_NOW | RTLD_LOCAL);
}

// The engine headless at 640 x 480 x 16 with a texture store, and TGA copies
// of the corpus pictures written by tga.so from what png.so and jpg.so read.
bool SetUp() {
    PlatOptions options{};
    options.headless = 1;
    plat_Configure(&options);
    if (r_LinkRaster("t7dxraster.dll", nullptr) != 0 || r_GetSysInfo() < 1) return false;
    PlatWindow* window = nullptr;
    if (r_InitEngine(0, r_SeekMode(0, 640, 480, 16, 0), 0, &window, EXCLUSIVEFULLSCREEN, nullptr) != 0) return false;
    if (r_AllocMaxTextures(4, nullptr) != 0) return false;

    g_tgaDir = fs::temp_directory_path() / ("tessaly_images_bench_" + std::to_string(getpid()));
    fs::create_directories(g_tgaDir);
    const Picture sources[] = {{"earthCylindric.jpg", kCorpus + "/lwo2/MappingModes/", "earthCylindric.jpg"},
                               {"earthSpherical.jpg", kCorpus + "/lwo2/MappingModes/", "earthSpherical.jpg"},
                               {"boxuv.png", kCorpus + "/lwo2/", "boxuv.png"},
                               {"uvtest.png", kCorpus + "/lwo2/", "uvtest.png"}};
    void* tga = Open("tga");
    if (!tga) return false;
    const ImagePluginTable tgaFns = Bind(tga);
    for (const Picture& p : sources) {
        g_pictures.push_back(p);
        const std::string extension = fs::path(p.file).extension().string().substr(1);
        void* library = Open(extension);
        if (!library) return false;
        const ImagePluginTable fns = Bind(library);
        int w = 0, h = 0, bits = 0;
        fns.Load2D((p.dir + p.file).c_str(), nullptr);
        fns.GetImageData(&w, &h, &bits, nullptr);
        if (w == 0) return false;
        // tga.so writes from blue, green, red rows.
        const uint8_t* rgb = fns.GetImagePointer(nullptr);
        std::vector<uint8_t> bgr(size_t(w) * h * 3);
        for (size_t i = 0; i < bgr.size(); i += 3) bgr[i] = rgb[i + 2], bgr[i + 1] = rgb[i + 1], bgr[i + 2] = rgb[i];
        const std::string copy = fs::path(p.file).stem().string() + ".tga";
        if (tgaFns.Save2D((g_tgaDir / copy).c_str(), bgr.data(), 24, h, w, w * 3, 0, nullptr) != 0) return false;
        g_pictures.push_back({nullptr, g_tgaDir.string() + "/", copy});
        dlclose(library);
    }
    dlclose(tga);
    return true;
}

void Report(benchmark::State& state, double megapixels, double cpu) {
    state.counters["Mpixels/s"] = benchmark::Counter(megapixels, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["cpu_ms_per_Mpixel"] = 1000.0 * cpu / double(state.iterations()) / megapixels;
}

// The plug-in alone: the file read and decoded into its buffer.
void Decode(benchmark::State& state, const Picture& p) {
    void* library = Open(fs::path(p.file).extension().string().substr(1));
    const ImagePluginTable fns = Bind(library);
    int w = 0, h = 0, bits = 0;
    const std::string path = p.dir + p.file;
    const double start = CpuSeconds();
    for (auto _ : state) {
        fns.Load2D(path.c_str(), nullptr);
        fns.GetImageData(&w, &h, &bits, nullptr);
        benchmark::DoNotOptimize(fns.GetImagePointer(nullptr));
    }
    const double cpu = CpuSeconds() - start;
    if (w == 0) state.SkipWithError("picture not read");
    Report(state, double(w) * h / 1e6, cpu);
    dlclose(library);
}

// As a texture through the engine, reloaded into one slot.
void Texture(benchmark::State& state, const Picture& p) {
    std::vector<char> name(p.file.begin(), p.file.end());
    name.push_back('\0');
    int handle = 0;
    const double start = CpuSeconds();
    for (auto _ : state) handle = r_LoadTexture(0, name.data(), p.dir.c_str(), 0, nullptr);
    const double cpu = CpuSeconds() - start;
    int w = 0, h = 0, bits = 0;
    r_GetTextureData(0, &w, &h, &bits);
    if (handle != 0 || w == 0) state.SkipWithError("texture not loaded");
    Report(state, double(w) * h / 1e6, cpu);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!SetUp()) {
        std::fprintf(stderr, "images_bench: set-up failed (corpus at %s, plug-ins in %s)\n", kCorpus.c_str(),
                     TESSALY_BIN_DIR);
        return 1;
    }
    for (const Picture& p : g_pictures) {
        const std::string label = p.name ? p.name : p.file + " (copy)";
        benchmark::RegisterBenchmark(("read/" + label).c_str(), Decode, p)->Unit(benchmark::kMillisecond);
    }
    for (const Picture& p : g_pictures) {
        const std::string label = p.name ? p.name : p.file + " (copy)";
        benchmark::RegisterBenchmark(("texture/" + label).c_str(), Texture, p)->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    r_FreeAllocatedTextures(nullptr);
    r_DeinitEngine();
    r_FreeRaster(nullptr);
    fs::remove_all(g_tgaDir);
    return 0;
}
