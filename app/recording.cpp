#include "app/recording.h"

#include <cstdio>

#include "platform/platform.h"
#include "tessaly/video_api.h"

bool StartRecording(const LaunchOptions& options, const std::string& path) {
    VideoSettings settings{};
    settings.path = path.c_str();
    settings.fps = options.platform.fixedFps;
    settings.quality = options.videoQuality;
    settings.progress = options.progress ? 1 : 0;
    char error[512] = {};
    if (vid_Open(&settings, error, sizeof error) != 0) {
        std::fprintf(stderr, "Video recording: %s\n", error);
        return false;
    }
    plat_SetFrameSink(vid_AddFrame);
    plat_SetSoundSink(vid_AddSound);
    return true;
}

void StopRecording() {
    plat_FinishCapture();
    plat_SetFrameSink(nullptr);
    plat_SetSoundSink(nullptr);
    vid_Close();
}
