// One video file written through FFmpeg's libraries: the container chosen by
// the file's extension, an H.264 (or MPEG-4 part 2) picture stream and an AAC
// sound stream. Used by the recorder's thread only; nothing here is shared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct AVFormatContext;
struct AVCodecContext;
struct AVStream;
struct AVFrame;
struct AVPacket;
struct SwsContext;
struct SwrContext;

namespace video {

// ".mkv" or ".mp4" (any case): the container's short name; null otherwise.
const char* ContainerFor(const std::string& path);

class VideoFile {
public:
    VideoFile() = default;
    VideoFile(const VideoFile&) = delete;
    VideoFile& operator=(const VideoFile&) = delete;
    ~VideoFile();

    // Creates the file. False with Error() set.
    bool Create(const std::string& path, int fps, int quality);
    // Sets up both streams for pictures of this size and writes the header.
    bool Start(int width, int height);
    bool Started() const { return started_; }
    // One picture for copies consecutive frames.
    bool AddPicture(const uint8_t* bgr, int width, int height, int pitch, long copies);
    // Sound (44.1 kHz 16-bit stereo interleaved); kept until Start.
    bool AddSound(const int16_t* stereo, size_t frames);
    // Pads the sound with silence to the picture's length, drains both
    // encoders and writes the trailer. After a failure it still tries to end
    // the file cleanly; false when anything failed.
    bool Finish();

    const std::string& Error() const { return error_; }
    long FramesWritten() const { return frames_; }
    int64_t BytesWritten() const;
    // "H.264 (libx264), CRF 23" and the like, once Start has run.
    const std::string& Description() const { return description_; }

private:
    bool Fail(const char* what, int code);
    bool Encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame);
    bool EncodeSoundBlocks(bool final);

    std::string path_;
    std::string error_;
    std::string description_;
    int fps_ = 0;
    int quality_ = 23;
    bool started_ = false;
    bool failed_ = false;
    bool headerWritten_ = false;
    long frames_ = 0;                    // picture frames sent to the encoder
    int64_t soundFrames_ = 0;            // sound frames sent to the encoder
    std::vector<int16_t> pendingSound_;  // sound not yet encoded (whole blocks go out)
    size_t pendingStart_ = 0;            // stereo frames of pendingSound_ already taken

    AVFormatContext* format_ = nullptr;
    AVCodecContext* picture_ = nullptr;
    AVCodecContext* sound_ = nullptr;
    AVStream* pictureStream_ = nullptr;
    AVStream* soundStream_ = nullptr;
    AVFrame* pictureFrame_ = nullptr;
    AVFrame* soundFrame_ = nullptr;
    AVPacket* packet_ = nullptr;
    SwsContext* scaler_ = nullptr;
    SwrContext* resampler_ = nullptr;
};

}  // namespace video
