// Recordings of the generated demo made by the built program (--video), read
// back through FFmpeg's libraries: frame count and rate, the lengths of
// picture and sound, the cut to the inner scene found at the same time in
// both, a recording stopped by SIGTERM, and one that runs into a full disk.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "program_runner.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace {

namespace fs = std::filesystem;

using runner::ReadAll;
using runner::Start;
using runner::Wait;

constexpr int kSmallWidth = 160;  // pictures are compared at this size, in grey
constexpr int kSmallHeight = 120;

// What a recording holds, decoded.
struct Recording {
    bool opened = false;
    std::string videoCodec;
    std::string audioCodec;
    AVRational frameRate{0, 1};
    std::vector<std::vector<uint8_t>> pictures;  // every frame, grey, small
    std::vector<float> sound;                    // left channel
    int soundRate = 0;
    double VideoSeconds() const { return frameRate.num ? double(pictures.size()) * frameRate.den / frameRate.num : 0; }
    double SoundSeconds() const { return soundRate ? double(sound.size()) / soundRate : 0; }
};

// Decodes every packet of the file; a damaged tail ends the reading quietly,
// as a player would.
Recording Read(const std::string& path) {
    Recording out;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return out;
    if (avformat_find_stream_info(format, nullptr) < 0) {
        avformat_close_input(&format);
        return out;
    }
    out.opened = true;
    const int video = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int audio = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    AVCodecContext* decoders[2] = {nullptr, nullptr};
    const int streams[2] = {video, audio};
    for (int i = 0; i < 2; ++i) {
        if (streams[i] < 0) continue;
        const AVCodecParameters* parameters = format->streams[streams[i]]->codecpar;
        const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
        decoders[i] = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(decoders[i], parameters);
        avcodec_open2(decoders[i], codec, nullptr);
        (i == 0 ? out.videoCodec : out.audioCodec) = codec->name;
    }
    if (video >= 0) out.frameRate = format->streams[video]->avg_frame_rate;
    if (audio >= 0) out.soundRate = format->streams[audio]->codecpar->sample_rate;

    SwsContext* scaler = nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto drain = [&](int which) {
        while (avcodec_receive_frame(decoders[which], frame) == 0) {
            if (which == 0) {
                scaler =
                    sws_getCachedContext(scaler, frame->width, frame->height, AVPixelFormat(frame->format), kSmallWidth,
                                         kSmallHeight, AV_PIX_FMT_GRAY8, SWS_AREA, nullptr, nullptr, nullptr);
                std::vector<uint8_t> grey(kSmallWidth * kSmallHeight);
                uint8_t* planes[1] = {grey.data()};
                const int strides[1] = {kSmallWidth};
                sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
                out.pictures.push_back(std::move(grey));
            } else if (frame->format == AV_SAMPLE_FMT_FLTP) {
                const float* left = reinterpret_cast<const float*>(frame->data[0]);
                out.sound.insert(out.sound.end(), left, left + frame->nb_samples);
            }
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        const int which = packet->stream_index == video ? 0 : packet->stream_index == audio ? 1 : -1;
        if (which >= 0 && decoders[which] && avcodec_send_packet(decoders[which], packet) >= 0) drain(which);
        av_packet_unref(packet);
    }
    for (int i = 0; i < 2; ++i) {
        if (!decoders[i]) continue;
        avcodec_send_packet(decoders[i], nullptr);
        drain(i);
        avcodec_free_context(&decoders[i]);
    }
    sws_freeContext(scaler);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avformat_close_input(&format);
    return out;
}

double MeanDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += std::abs(int(a[i]) - int(b[i]));
    return sum / double(a.size());
}

class VideoRecording : public testing::Test {
protected:
    static void SetUpTestSuite() {
        root_ = testing::TempDir() + "tessaly_video_" + std::to_string(getpid()) + "/";
        fs::remove_all(root_);
        fs::create_directories(root_);
        const std::string generator = std::string(TESSALY_BIN_DIR) + "/tessaly-make-demo";
        ASSERT_EQ(std::system((generator + " " + root_ + "demo > /dev/null").c_str()), 0);
    }
    static void TearDownTestSuite() { fs::remove_all(root_); }

    static std::vector<std::string> Args(int fps, const std::string& video, std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"--data",  root_ + "demo", "--headless", "--fixed-fps", std::to_string(fps),
                                         "--video", root_ + video};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }

    static std::string root_;
};
std::string VideoRecording::root_;

// Two frames a second up to just past the cut from the main scene to the
// inner one, where the first module has ended and the second starts. Every
// frame slot is there (the start-up wait as repeated frames), picture and
// sound last as long as each other, and the cut is at the same time in both.
TEST_F(VideoRecording, PictureAndSoundLineUpAtTheCutToTheInnerScene) {
    constexpr int kFps = 2;
    constexpr int kFrames = 340;  // the cut comes at about 166 s of the run
    const int code = Wait(Start(Args(kFps, "sync.mkv", {"--frames", std::to_string(kFrames)}), root_ + "sync.txt"));
    const std::string output = ReadAll(root_ + "sync.txt");
    ASSERT_EQ(code, 0) << output;
    ASSERT_NE(output.find("Scene slot 2"), std::string::npos) << output;
    const Recording r = Read(root_ + "sync.mkv");
    ASSERT_TRUE(r.opened);
    EXPECT_EQ(r.videoCodec, "h264");
    EXPECT_EQ(r.audioCodec, "aac");
    EXPECT_EQ(r.frameRate.num, kFps);
    EXPECT_EQ(r.frameRate.den, 1);
    // The presented frames and the five-second wait before the music.
    EXPECT_EQ(r.pictures.size(), size_t(kFrames + 5 * kFps));
    EXPECT_NEAR(r.SoundSeconds(), r.VideoSeconds(), 1.0 / kFps);

    // The sound: the first module ends in silence, the second starts with the cut.
    size_t change = 0;
    const size_t minimumGap = size_t(r.soundRate) / 4;
    for (size_t i = size_t(100 * r.soundRate), quiet = 0; i < r.sound.size(); ++i) {
        if (std::fabs(r.sound[i]) < 1e-3f) {
            ++quiet;
        } else {
            if (quiet >= minimumGap) {
                change = i;
                break;
            }
            quiet = 0;
        }
    }
    ASSERT_GT(change, 0u) << "no second module found";
    const double soundCut = double(change) / r.soundRate;

    // The picture: the largest change between two frames near it.
    const size_t from = size_t(std::max(1.0, (soundCut - 5) * kFps));
    const size_t to = std::min(r.pictures.size(), size_t((soundCut + 5) * kFps));
    size_t cut = 0;
    double largest = 0, total = 0;
    for (size_t k = from; k < to; ++k) {
        const double d = MeanDifference(r.pictures[k - 1], r.pictures[k]);
        total += d;
        if (d > largest) largest = d, cut = k;
    }
    const double pictureCut = double(cut) / kFps;
    EXPECT_GT(largest, 2.0 * total / double(to - from)) << "no clear cut in the picture";
    EXPECT_LE(std::fabs(pictureCut - soundCut), 1.0 / kFps)
        << "picture cut at frame " << cut << " (" << pictureCut << " s), sound at " << soundCut << " s";
    std::printf(
        "[ figures  ] cut to the inner scene: picture frame %zu (%.3f s), second module from %.3f s; "
        "video %.3f s, sound %.3f s\n",
        cut, pictureCut, soundCut, r.VideoSeconds(), r.SoundSeconds());
}

// SIGTERM ends the run through the shutdown: the MP4 file is finished and
// holds what was recorded up to then, picture and sound.
TEST_F(VideoRecording, RecordingStoppedBySigtermIsReadable) {
    const pid_t pid = Start(Args(12, "stopped.mp4", {"--progress"}), root_ + "stopped.txt");
    // Wait until the recorder has written a few seconds of video.
    for (int i = 0; i < 600; ++i) {
        if (ReadAll(root_ + "stopped.txt").find("video: ") != std::string::npos && fs::exists(root_ + "stopped.mp4") &&
            fs::file_size(root_ + "stopped.mp4") > 100000)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    kill(pid, SIGTERM);
    const int code = Wait(pid);
    const std::string output = ReadAll(root_ + "stopped.txt");
    EXPECT_EQ(code, 0) << output;
    EXPECT_NE(output.find("video: wrote " + root_ + "stopped.mp4"), std::string::npos) << output;
    const Recording r = Read(root_ + "stopped.mp4");
    ASSERT_TRUE(r.opened);
    EXPECT_GT(r.pictures.size(), size_t(5 * 12));
    EXPECT_EQ(r.frameRate.num, 12);
    EXPECT_NEAR(r.SoundSeconds(), r.VideoSeconds(), 1.0 / 12);
}

// A file that cannot grow (every file capped at 200 kB) ends the recording
// with one message giving the reason; the program ends with 1 and what was
// written plays.
TEST_F(VideoRecording, FullDiskEndsTheRecordingWithAReadableFile) {
    const pid_t pid = Start(Args(24, "full.mkv", {"--frames", "5000"}), root_ + "full.txt", 200 * 1000);
    const int code = Wait(pid);
    const std::string output = ReadAll(root_ + "full.txt");
    EXPECT_EQ(code, 1) << output;
    const std::string message =
        "Video recording: cannot write " + root_ + "full.mkv: File too large; recording stopped";
    const size_t at = output.find(message);
    EXPECT_NE(at, std::string::npos) << output;
    EXPECT_EQ(output.find("Video recording", at + 1), std::string::npos) << "one message: " << output;
    EXPECT_EQ(output.find("Scene slot 2"), std::string::npos) << "the run went on: " << output;
    const Recording r = Read(root_ + "full.mkv");
    ASSERT_TRUE(r.opened);
    EXPECT_GT(r.pictures.size(), size_t(24));
    EXPECT_GT(r.sound.size(), size_t(r.soundRate));
}

}  // namespace
