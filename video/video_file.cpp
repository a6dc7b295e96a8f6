#include "video/video_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace video {

namespace {

constexpr int kSoundRate = 44100;
constexpr int64_t kSoundBitRate = 192000;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool EndsWith(const std::string& text, const char* end) {
    const size_t n = std::strlen(end);
    return text.size() > n && text.compare(text.size() - n, n, end) == 0;
}

}  // namespace

const char* ContainerFor(const std::string& path) {
    const std::string name = Lower(path);
    if (EndsWith(name, ".mkv")) return "matroska";
    if (EndsWith(name, ".mp4")) return "mp4";
    return nullptr;
}

VideoFile::~VideoFile() {
    if (format_) Finish();
}

bool VideoFile::Fail(const char* what, int code) {
    char reason[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, reason, sizeof reason);
    if (!failed_) error_ = std::string(what) + " " + path_ + ": " + reason;
    failed_ = true;
    return false;
}

bool VideoFile::Create(const std::string& path, int fps, int quality) {
    // The libraries' own chatter (encoder statistics) stays off the terminal;
    // their errors come back through the results and are reported here.
    av_log_set_level(AV_LOG_ERROR);
    path_ = path;
    fps_ = fps;
    quality_ = quality < 0 ? 23 : quality;
    const char* container = ContainerFor(path);
    if (!container) {
        error_ = path + ": the video file's name must end in .mkv (Matroska) or .mp4 (MP4)";
        failed_ = true;
        return false;
    }
    int result = avformat_alloc_output_context2(&format_, nullptr, container, path.c_str());
    if (result < 0) return Fail("cannot set up", result);
    result = avio_open(&format_->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (result < 0) return Fail("cannot create", result);
    packet_ = av_packet_alloc();
    if (!packet_) return Fail("cannot set up", AVERROR(ENOMEM));
    return true;
}

bool VideoFile::Start(int width, int height) {
    if (failed_ || started_) return started_;
    const bool globalHeader = (format_->oformat->flags & AVFMT_GLOBALHEADER) != 0;

    // Pictures: H.264 through libx264 when the library has it.
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) codec = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    if (!codec) {
        error_ = "no H.264 or MPEG-4 encoder in the installed FFmpeg libraries for " + path_;
        failed_ = true;
        return false;
    }
    pictureStream_ = avformat_new_stream(format_, nullptr);
    picture_ = avcodec_alloc_context3(codec);
    if (!pictureStream_ || !picture_) return Fail("cannot set up", AVERROR(ENOMEM));
    picture_->width = std::max(2, width & ~1);  // 4:2:0 wants even sizes
    picture_->height = std::max(2, height & ~1);
    picture_->time_base = AVRational{1, fps_};
    picture_->framerate = AVRational{fps_, 1};
    picture_->pix_fmt = AV_PIX_FMT_YUV420P;
    picture_->gop_size = std::max(1, fps_ * 2);  // a key frame every two seconds
    picture_->thread_count = 1;                  // the other core renders
    if (globalHeader) picture_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    char text[160];
    if (std::strcmp(codec->name, "libx264") == 0) {
        std::snprintf(text, sizeof text, "%d", quality_);
        av_dict_set(&options, "crf", text, 0);
        av_dict_set(&options, "preset", "veryfast", 0);
        std::snprintf(text, sizeof text, "H.264 (libx264, CRF %d)", quality_);
    } else {
        // MPEG-4 part 2: the quality maps onto its quantiser scale, 2 to 31.
        const int scale = 2 + quality_ * 29 / 51;
        picture_->flags |= AV_CODEC_FLAG_QSCALE;
        picture_->global_quality = FF_QP2LAMBDA * scale;
        std::snprintf(text, sizeof text, "MPEG-4 part 2 (%s, quantiser %d)", codec->name, scale);
    }
    description_ = text;
    int result = avcodec_open2(picture_, codec, &options);
    av_dict_free(&options);
    if (result < 0) return Fail("cannot open the picture encoder for", result);
    result = avcodec_parameters_from_context(pictureStream_->codecpar, picture_);
    if (result < 0) return Fail("cannot set up", result);
    pictureStream_->time_base = picture_->time_base;
    pictureStream_->avg_frame_rate = picture_->framerate;

    // Sound: AAC from FFmpeg's own encoder.
    const AVCodec* aac = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!aac) {
        error_ = "no AAC encoder in the installed FFmpeg libraries for " + path_;
        failed_ = true;
        return false;
    }
    soundStream_ = avformat_new_stream(format_, nullptr);
    sound_ = avcodec_alloc_context3(aac);
    if (!soundStream_ || !sound_) return Fail("cannot set up", AVERROR(ENOMEM));
    sound_->sample_fmt = AV_SAMPLE_FMT_FLTP;
    sound_->sample_rate = kSoundRate;
    av_channel_layout_default(&sound_->ch_layout, 2);
    sound_->bit_rate = kSoundBitRate;
    sound_->time_base = AVRational{1, kSoundRate};
    if (globalHeader) sound_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    result = avcodec_open2(sound_, aac, nullptr);
    if (result < 0) return Fail("cannot open the sound encoder for", result);
    result = avcodec_parameters_from_context(soundStream_->codecpar, sound_);
    if (result < 0) return Fail("cannot set up", result);
    soundStream_->time_base = sound_->time_base;
    description_ += ", AAC 192 kbit/s";

    pictureFrame_ = av_frame_alloc();
    soundFrame_ = av_frame_alloc();
    if (!pictureFrame_ || !soundFrame_) return Fail("cannot set up", AVERROR(ENOMEM));
    pictureFrame_->format = picture_->pix_fmt;
    pictureFrame_->width = picture_->width;
    pictureFrame_->height = picture_->height;
    result = av_frame_get_buffer(pictureFrame_, 0);
    if (result < 0) return Fail("cannot set up", result);
    soundFrame_->format = sound_->sample_fmt;
    soundFrame_->nb_samples = sound_->frame_size > 0 ? sound_->frame_size : 1024;
    soundFrame_->sample_rate = kSoundRate;
    av_channel_layout_copy(&soundFrame_->ch_layout, &sound_->ch_layout);
    result = av_frame_get_buffer(soundFrame_, 0);
    if (result < 0) return Fail("cannot set up", result);

    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    result = swr_alloc_set_opts2(&resampler_, &sound_->ch_layout, sound_->sample_fmt, kSoundRate, &stereo,
                                 AV_SAMPLE_FMT_S16, kSoundRate, 0, nullptr);
    if (result < 0 || (result = swr_init(resampler_)) < 0) return Fail("cannot set up", result);

    AVDictionary* muxing = nullptr;
    // MP4 in fragments: a file cut short (a full disk, a killed run) keeps
    // every fragment written before the cut playable.
    if (std::strcmp(format_->oformat->name, "mp4") == 0)
        av_dict_set(&muxing, "movflags", "+frag_keyframe+empty_moov+default_base_moof", 0);
    result = avformat_write_header(format_, &muxing);
    av_dict_free(&muxing);
    if (result < 0) return Fail("cannot write", result);
    headerWritten_ = true;
    started_ = true;
    return EncodeSoundBlocks(false);
}

bool VideoFile::Encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame) {
    int result = avcodec_send_frame(codec, frame);
    if (result < 0 && result != AVERROR_EOF) return Fail("encoder failed for", result);
    for (;;) {
        result = avcodec_receive_packet(codec, packet_);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
        if (result < 0) return Fail("encoder failed for", result);
        av_packet_rescale_ts(packet_, codec->time_base, stream->time_base);
        packet_->stream_index = stream->index;
        result = av_interleaved_write_frame(format_, packet_);
        if (result < 0) return Fail("cannot write", result);
        if (format_->pb->error < 0) return Fail("cannot write", format_->pb->error);
    }
}

bool VideoFile::AddPicture(const uint8_t* bgr, int width, int height, int pitch, long copies) {
    if (failed_) return false;
    if (!started_ && !Start(width, height)) return false;
    // Pictures of another size (a mode change) are scaled to the stream's.
    scaler_ = sws_getCachedContext(scaler_, width, height, AV_PIX_FMT_BGR24, picture_->width, picture_->height,
                                   AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!scaler_) return Fail("cannot convert a picture for", AVERROR(EINVAL));
    int result = av_frame_make_writable(pictureFrame_);
    if (result < 0) return Fail("cannot set up", result);
    const uint8_t* source[1] = {bgr};
    const int stride[1] = {pitch};
    sws_scale(scaler_, source, stride, 0, height, pictureFrame_->data, pictureFrame_->linesize);
    for (long i = 0; i < copies; ++i) {
        pictureFrame_->pts = frames_++;
        if (!Encode(picture_, pictureStream_, pictureFrame_)) return false;
    }
    // Once a second of video, what the muxer holds goes to the file, so a
    // full disk shows at once and a stopped run loses little.
    if (frames_ / fps_ != (frames_ - copies) / fps_) {
        avio_flush(format_->pb);
        if (format_->pb->error < 0) return Fail("cannot write", format_->pb->error);
    }
    return EncodeSoundBlocks(false);
}

bool VideoFile::AddSound(const int16_t* stereo, size_t frames) {
    if (failed_) return false;
    pendingSound_.insert(pendingSound_.end(), stereo, stereo + frames * 2);
    return started_ ? EncodeSoundBlocks(false) : true;
}

bool VideoFile::EncodeSoundBlocks(bool final) {
    const int block = soundFrame_->nb_samples;
    size_t available = pendingSound_.size() / 2 - pendingStart_;
    while (!failed_ && (available >= static_cast<size_t>(block) || (final && available > 0))) {
        const int count = static_cast<int>(std::min<size_t>(available, static_cast<size_t>(block)));
        int result = av_frame_make_writable(soundFrame_);
        if (result < 0) return Fail("cannot set up", result);
        const uint8_t* source[1] = {reinterpret_cast<const uint8_t*>(&pendingSound_[pendingStart_ * 2])};
        result = swr_convert(resampler_, soundFrame_->data, block, source, count);
        if (result < 0) return Fail("cannot convert the sound for", result);
        // The last block is completed with silence.
        for (int c = 0; c < 2; ++c)
            for (int i = result; i < block; ++i) reinterpret_cast<float*>(soundFrame_->data[c])[i] = 0.0f;
        soundFrame_->pts = soundFrames_;
        soundFrames_ += block;
        pendingStart_ += static_cast<size_t>(count);
        available -= static_cast<size_t>(count);
        if (!Encode(sound_, soundStream_, soundFrame_)) return false;
    }
    if (pendingStart_ > static_cast<size_t>(kSoundRate)) {
        pendingSound_.erase(pendingSound_.begin(), pendingSound_.begin() + static_cast<ptrdiff_t>(pendingStart_ * 2));
        pendingStart_ = 0;
    }
    return !failed_;
}

int64_t VideoFile::BytesWritten() const { return format_ && format_->pb ? avio_tell(format_->pb) : 0; }

bool VideoFile::Finish() {
    if (!format_) return !failed_;
    if (started_ && !failed_) {
        // The sound runs as long as the pictures: silence where no music was mixed.
        const int64_t wanted = static_cast<int64_t>(frames_) * kSoundRate / fps_;
        const int64_t have = soundFrames_ + static_cast<int64_t>(pendingSound_.size() / 2 - pendingStart_);
        if (have < wanted) pendingSound_.resize(pendingSound_.size() + static_cast<size_t>(wanted - have) * 2, 0);
        if (EncodeSoundBlocks(true) && Encode(picture_, pictureStream_, nullptr)) Encode(sound_, soundStream_, nullptr);
    }
    // After a failure the trailer is still tried: what was written stays readable.
    if (headerWritten_) {
        const int result = av_write_trailer(format_);
        if (result < 0) Fail("cannot finish", result);
    }
    if (format_->pb) {
        avio_flush(format_->pb);
        if (format_->pb->error < 0) Fail("cannot write", format_->pb->error);
        avio_closep(&format_->pb);
    }
    // A recording that never received a picture leaves no empty file behind.
    if (!headerWritten_) unlink(path_.c_str());
    avformat_free_context(format_);
    format_ = nullptr;
    avcodec_free_context(&picture_);
    avcodec_free_context(&sound_);
    av_frame_free(&pictureFrame_);
    av_frame_free(&soundFrame_);
    av_packet_free(&packet_);
    sws_freeContext(scaler_);
    scaler_ = nullptr;
    swr_free(&resampler_);
    return !failed_;
}

}  // namespace video
