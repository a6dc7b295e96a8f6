// The recorder's exports: a bounded queue of pictures and a stream of sound
// from the main thread to the recorder's thread, which encodes and writes the
// file; progress lines and the one failure report on the main thread.
#include "tessaly/video_api.h"

#include <sys/stat.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "video/video_file.h"

namespace {

using Clock = std::chrono::steady_clock;

// Pictures waiting for the encoder: about a third of a second of the demo.
// The main thread waits only when all are taken.
constexpr int kQueuedPictures = 8;

struct Picture {
    std::vector<uint8_t> bgr;  // rows packed, 3 bytes a pixel
    int width = 0;
    int height = 0;
    long copies = 0;
};

struct Recorder {
    VideoSettings settings{};
    std::string path;
    video::VideoFile file;  // touched by the thread while it runs, then by Close

    std::mutex mutex;
    std::condition_variable work;   // the thread waits here for pictures, sound or the end
    std::condition_variable space;  // the main thread waits here for a free picture
    Picture pictures[kQueuedPictures];
    std::deque<int> queued;      // pictures in order, by index
    std::vector<int> unused;     // free pictures, by index
    std::vector<int16_t> sound;  // sound not yet taken by the thread
    bool closing = false;
    std::thread thread;

    std::atomic<bool> failed{false};  // set by the thread after writing failure
    std::string failure;              // the reason, written before failed is set
    bool reported = false;            // the main thread has reported the failure

    double encoderCpuSeconds = 0;   // CPU time of the recorder's thread, set as it ends
    std::atomic<long> encoded{0};   // pictures the encoder has taken
    std::atomic<int64_t> bytes{0};  // bytes the file has reached
    long queuedFrames = 0;          // frames handed over (main thread)
    Clock::time_point start;
    Clock::time_point lastLine;
    long lastLineFrames = 0;
};

Recorder* g_recorder = nullptr;

void RunThread(Recorder* r) {
    std::vector<int16_t> sound;
    for (;;) {
        int picture = -1;
        {
            std::unique_lock<std::mutex> lock(r->mutex);
            r->work.wait(lock, [&] { return r->closing || !r->queued.empty() || !r->sound.empty(); });
            sound.swap(r->sound);
            if (!r->queued.empty()) {
                picture = r->queued.front();
                r->queued.pop_front();
            } else if (sound.empty()) {
                break;  // closing, and everything is taken
            }
        }
        if (!r->failed) {
            bool ok = sound.empty() || r->file.AddSound(sound.data(), sound.size() / 2);
            if (ok && picture >= 0) {
                const Picture& p = r->pictures[picture];
                ok = r->file.AddPicture(p.bgr.data(), p.width, p.height, p.width * 3, p.copies);
            }
            r->encoded = r->file.FramesWritten();
            r->bytes = r->file.BytesWritten();
            if (!ok) {
                r->failure = r->file.Error();
                r->failed = true;
            }
        }
        sound.clear();
        if (picture >= 0) {
            std::lock_guard<std::mutex> lock(r->mutex);
            r->unused.push_back(picture);
            r->space.notify_one();
        }
    }
    timespec cpu{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu) == 0)
        r->encoderCpuSeconds = static_cast<double>(cpu.tv_sec) + static_cast<double>(cpu.tv_nsec) / 1e9;
}

// The failure is reported once, on the main thread: the run's output is
// marked failed and the program is asked to end, so the shutdown finishes
// what the file holds.
void ReportFailure(Recorder* r) {
    if (r->reported || !r->failed) return;
    r->reported = true;
    std::fprintf(stderr, "Video recording: %s; recording stopped\n", r->failure.c_str());
    std::fflush(stderr);
    plat_SetOutputFailed();
    plat_PostMessage(PLAT_MSG_CLOSE, 0);
}

void ProgressLine(Recorder* r) {
    const Clock::time_point now = Clock::now();
    const double interval = std::chrono::duration<double>(now - r->lastLine).count();
    if (interval < 1.0) return;
    const long encoded = r->encoded.load();
    std::printf("video: %.1f s recorded, %ld frames encoded, %.1f MB, %.1f frames/s\n",
                static_cast<double>(r->queuedFrames) / r->settings.fps, encoded,
                static_cast<double>(r->bytes.load()) / 1e6,
                static_cast<double>(encoded - r->lastLineFrames) / interval);
    std::fflush(stdout);
    r->lastLine = now;
    r->lastLineFrames = encoded;
}

}  // namespace

int vid_Open(const VideoSettings* settings, char* error, size_t errorSize) {
    auto refuse = [&](const std::string& reason) {
        if (error && errorSize) std::snprintf(error, errorSize, "%s", reason.c_str());
        return -1;
    };
    if (g_recorder) return refuse("a video recording is already open");
    if (!settings || !settings->path || !settings->path[0]) return refuse("no video file named");
    if (settings->fps < 1 || settings->fps > 1000) return refuse("the video's frame rate must be 1 to 1000");
    if (settings->quality < -1 || settings->quality > 51) return refuse("the video quality must be 0 to 51");
    auto* r = new Recorder;
    r->settings = *settings;
    r->path = settings->path;
    r->settings.path = r->path.c_str();
    if (!r->file.Create(r->path, settings->fps, settings->quality)) {
        const std::string reason = r->file.Error();
        delete r;
        return refuse(reason);
    }
    for (int i = kQueuedPictures - 1; i >= 0; --i) r->unused.push_back(i);
    r->start = r->lastLine = Clock::now();
    r->thread = std::thread(RunThread, r);
    g_recorder = r;
    return 0;
}

void vid_AddFrame(const uint8_t* bgr, int width, int height, int pitch, long copies) {
    Recorder* r = g_recorder;
    if (!r || !bgr || width <= 0 || height <= 0 || pitch < width * 3 || copies <= 0) return;
    ReportFailure(r);
    if (r->failed) return;
    int index = -1;
    {
        std::unique_lock<std::mutex> lock(r->mutex);
        r->space.wait(lock, [&] { return !r->unused.empty() || r->failed; });
        if (r->failed) return;
        index = r->unused.back();
        r->unused.pop_back();
    }
    // The thread does not touch a picture between its release and its queuing.
    Picture& p = r->pictures[index];
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    p.bgr.resize(rowBytes * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        std::memcpy(&p.bgr[rowBytes * static_cast<size_t>(y)], bgr + static_cast<ptrdiff_t>(y) * pitch, rowBytes);
    p.width = width;
    p.height = height;
    p.copies = copies;
    {
        std::lock_guard<std::mutex> lock(r->mutex);
        r->queued.push_back(index);
        r->work.notify_one();
    }
    r->queuedFrames += copies;
    if (r->settings.progress) ProgressLine(r);
}

void vid_AddSound(const int16_t* stereo, size_t frames) {
    Recorder* r = g_recorder;
    if (!r || !stereo || frames == 0 || r->failed) return;
    std::lock_guard<std::mutex> lock(r->mutex);
    r->sound.insert(r->sound.end(), stereo, stereo + frames * 2);
    r->work.notify_one();
}

int vid_Close(void) {
    Recorder* r = g_recorder;
    if (!r) return 0;
    {
        std::lock_guard<std::mutex> lock(r->mutex);
        r->closing = true;
        r->work.notify_one();
    }
    r->thread.join();
    const bool finished = r->file.Finish();
    if (!finished && !r->failed) {
        r->failure = r->file.Error();
        r->failed = true;
    }
    ReportFailure(r);
    const double seconds = std::chrono::duration<double>(Clock::now() - r->start).count();
    struct stat info {};
    const double megabytes = stat(r->path.c_str(), &info) == 0 ? static_cast<double>(info.st_size) / 1e6 : 0.0;
    std::printf(
        "video: %s %s: %ld frames (%.1f s at %d frames/s), %.1f MB, %s, recorded in %.1f s, "
        "encoder thread %.1f s of CPU\n",
        r->failed ? "kept what was written of" : "wrote", r->path.c_str(), r->file.FramesWritten(),
        static_cast<double>(r->file.FramesWritten()) / r->settings.fps, r->settings.fps, megabytes,
        r->file.Description().c_str(), seconds, r->encoderCpuSeconds);
    std::fflush(stdout);
    const int result = r->failed ? -1 : 0;
    g_recorder = nullptr;
    delete r;
    return result;
}

int vid_Failed(void) { return g_recorder && g_recorder->failed ? 1 : 0; }
