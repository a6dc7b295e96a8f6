// The mixer: plays modules through libopenmpt and adds them together.
#include "audio/mixer.h"

#include <algorithm>
#include <mutex>

#include <libopenmpt/libopenmpt.h>

namespace music {

namespace {

struct Play {
    uintptr_t id = 0;  // 0: free slot
    openmpt_module* module = nullptr;
    bool finished = false;  // a play-once module reached its end
};

constexpr size_t kChunkFrames = 1024;

std::mutex g_mutex;
Play g_plays[kMaxPlaying];
uintptr_t g_nextPlayId = 1;
bool g_running = false;
// Scratch space for one chunk; used only with the mutex held.
int16_t g_moduleChunk[kChunkFrames * 2];
int32_t g_sum[kChunkFrames * 2];

void RenderChunk(int16_t* out, size_t frames) {
    const size_t samples = frames * 2;
    std::fill(g_sum, g_sum + samples, 0);
    for (Play& play : g_plays) {
        if (play.id == 0 || play.finished) continue;
        const size_t got = openmpt_module_read_interleaved_stereo(play.module, kSampleRate, frames, g_moduleChunk);
        if (got < frames) play.finished = true;
        for (size_t i = 0; i < got * 2; ++i) g_sum[i] += g_moduleChunk[i];
    }
    for (size_t i = 0; i < samples; ++i)
        out[i] = static_cast<int16_t>(std::clamp<int32_t>(g_sum[i], INT16_MIN, INT16_MAX));
}

}  // namespace

uintptr_t MixerPlay(openmpt_module* module, bool loop) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Play* slot = nullptr;
    for (Play& play : g_plays)
        if (play.id != 0 && play.module == module) {
            slot = &play;  // restarting: the earlier play ends here
            break;
        }
    if (!slot)
        for (Play& play : g_plays)
            if (play.id == 0) {
                slot = &play;
                break;
            }
    if (!slot) return 0;
    openmpt_module_set_repeat_count(module, loop ? -1 : 0);
    openmpt_module_set_position_seconds(module, 0.0);
    slot->id = g_nextPlayId++;
    slot->module = module;
    slot->finished = false;
    return slot->id;
}

bool MixerStop(uintptr_t playId) {
    if (playId == 0) return false;
    std::lock_guard<std::mutex> lock(g_mutex);
    for (Play& play : g_plays)
        if (play.id == playId) {
            play = Play{};
            return true;
        }
    return false;
}

void MixerStopAll() {
    std::lock_guard<std::mutex> lock(g_mutex);
    for (Play& play : g_plays) play = Play{};
}

void MixerSetRunning(bool running) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_running = running;
}

void MixerRender(int16_t* out, size_t frames) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_running) {
        std::fill(out, out + frames * 2, int16_t{0});
        return;
    }
    while (frames > 0) {
        const size_t chunk = std::min(frames, kChunkFrames);
        RenderChunk(out, chunk);
        out += chunk * 2;
        frames -= chunk;
    }
}

}  // namespace music
