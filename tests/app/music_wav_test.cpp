// The built program's soundtrack: headless runs on the fixed clock that mix
// the music into a WAV file (--audio-out), over a data set of empty scenes and
// two modules the test writes. The first module is a 3-second tone; the second a
// louder, longer one, so the file shows which one plays when.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "demo_data.h"
#include "program_runner.h"
#include "tools/formats/it_writer.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kRate = 44100;
constexpr double kStartWait = 5.0;     // the program's wait before the music starts
constexpr int kFramesBeforeMusic = 3;  // the first message and two cleared frames
constexpr double kFirstLength = 3.0;   // 25 rows of 0.12 s

// A module of one looped square-wave tone started on row 0: rows of
// 2.5 * speed / tempo seconds, and the song ends after the last row.
std::vector<uint8_t> ToneModule(int rows, int tempo, int16_t amplitude, int halfPeriod) {
    demo::ItModule m;
    m.name = "tone";
    m.speed = 6;
    m.tempo = tempo;
    m.useInstruments = false;
    demo::ItSample tone;
    tone.name = "square";
    for (int i = 0; i < halfPeriod * 16; ++i)
        tone.pcm.push_back((i / halfPeriod) % 2 ? static_cast<int16_t>(-amplitude) : amplitude);
    tone.loop = true;
    tone.loopEnd = static_cast<uint32_t>(tone.pcm.size());
    m.samples.push_back(tone);
    demo::ItPattern pattern(rows, 1);
    pattern.At(0, 0).note = 60;
    pattern.At(0, 0).instrument = 1;
    m.patterns.push_back(pattern);
    m.orders = {0};
    return demo::ItBytes(m);
}

using runner::ReadAll;
using runner::Start;
using runner::Wait;

// The samples of a 44.1 kHz 16-bit stereo WAV after checking that its header
// describes exactly the bytes that follow.
std::vector<int16_t> ReadWav(const std::string& path) {
    const std::string bytes = ReadAll(path);
    if (bytes.size() < 44) {
        ADD_FAILURE() << path << ": " << bytes.size() << " bytes";
        return {};
    }
    auto le32 = [&](size_t at) {
        uint32_t value;
        std::memcpy(&value, &bytes[at], 4);
        return value;
    };
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(le32(4), bytes.size() - 8);
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(le32(20), 0x00020001u);  // PCM, two channels
    EXPECT_EQ(le32(24), kRate);
    EXPECT_EQ(le32(32), 0x00100004u);  // four bytes a frame, 16 bits
    EXPECT_EQ(bytes.substr(36, 4), "data");
    EXPECT_EQ(le32(40), bytes.size() - 44);
    std::vector<int16_t> samples((bytes.size() - 44) / 2);
    std::memcpy(samples.data(), bytes.data() + 44, samples.size() * 2);
    return samples;
}

// Root mean square of the stereo frames from first to last (exclusive), in
// seconds of the file.
double Rms(const std::vector<int16_t>& samples, double first, double last) {
    const size_t from = static_cast<size_t>(first * kRate) * 2;
    const size_t to = std::min(samples.size(), static_cast<size_t>(last * kRate) * 2);
    if (from >= to) return 0.0;
    double sum = 0.0;
    for (size_t i = from; i < to; ++i) sum += double(samples[i]) * samples[i];
    return std::sqrt(sum / double(to - from));
}

// The first stereo frame at or after from (in frames) that is not silent.
size_t FirstSound(const std::vector<int16_t>& samples, size_t from) {
    for (size_t i = from * 2; i < samples.size(); ++i)
        if (samples[i] != 0) return i / 2;
    return samples.size() / 2;
}

class MusicWav : public runner::ProgramSuite<MusicWav> {
public:
    static void WriteFiles() {
        // The four scenes without objects: the frames cost next to nothing and
        // the demo keeps its timing.
        for (const char* sub : {"maps", "meshes", "images", "music", "scenes", "shots"})
            fs::create_directories(root_ + "data/" + sub);
        const std::string scene = demo::SceneText({}, {{"", {{0, 0, 0, -6}}}});
        for (const char* name : {"intromask.lws", "main.lws", "inner.lws", "endtitle.lws"})
            ASSERT_TRUE(demo::WriteText(root_ + "data/scenes/" + name, scene));
        ASSERT_TRUE(demo::WriteBytes(root_ + "data/music/vdm.it", ToneModule(25, 125, 4000, 50)));
        // Rows of 0.47 s: 30 seconds.
        ASSERT_TRUE(demo::WriteBytes(root_ + "data/music/vdm2.it", ToneModule(64, 32, 16000, 30)));
    }

protected:
    // Runs headless at fps fixed frames a second for the given frames, the
    // music going to music.wav; returns the exit code, standard output in output_.
    int Run(int fps, int frames, const std::string& script = "") {
        std::vector<std::string> args = {
            "--data",   root_ + "data",         "--headless",  "--fixed-fps", std::to_string(fps),
            "--frames", std::to_string(frames), "--audio-out", Wav()};
        if (!script.empty()) {
            demo::WriteText(root_ + "script.txt", script);
            args.insert(args.end(), {"--script", root_ + "script.txt"});
        }
        return RunProgram(runner::ProgramPath(), args);
    }
    static std::string Wav() { return root_ + "music.wav"; }
    // Where the music starts, in seconds of the file.
    static double MusicStart(int fps) { return kStartWait + double(kFramesBeforeMusic) / fps; }
};

// At one frame a second the demo reaches slot 2 after some 165 frames: the
// first module plays once from the start of the music, the second starts on
// the frame of the change.
TEST_F(MusicWav, FirstModuleOnceThenTheSecondFromTheChangeToSlot2) {
    ASSERT_EQ(Run(1, 175), 0) << output_;
    ASSERT_NE(output_.find("Scene slot 2\n"), std::string::npos) << output_;
    EXPECT_EQ(output_.find("MIDAS"), std::string::npos) << output_;
    const std::vector<int16_t> samples = ReadWav(Wav());
    // Exactly the run's time: 175 frames of a second and the 5-second wait.
    ASSERT_EQ(samples.size() / 2, (175 + 5) * kRate);

    const double start = MusicStart(1);
    EXPECT_EQ(Rms(samples, 0, start), 0.0);
    const double first = Rms(samples, start + 0.1, start + kFirstLength - 0.1);
    EXPECT_GT(first, 100.0);
    EXPECT_EQ(Rms(samples, start + kFirstLength + 0.2, start + kFirstLength + 20), 0.0) << "played once";

    // The second module starts exactly on a frame, where slot 1 ends: 399
    // frames of the intro at 60 a second and 3699 of the main scene at 24
    // after the music starts (the scene time runs up to the next whole frame).
    const size_t change = FirstSound(samples, static_cast<size_t>((start + kFirstLength + 1) * kRate));
    EXPECT_EQ((change - 5 * kRate) % kRate, 0u) << change;
    const double changeSeconds = double(change) / kRate;
    EXPECT_GE(changeSeconds, start + 399.0 / 60 + 3699.0 / 24);
    EXPECT_LE(changeSeconds, start + 399.0 / 60 + 3699.0 / 24 + 2.0);
    const double second = Rms(samples, changeSeconds + 0.1, changeSeconds + 5);
    EXPECT_GT(second, 2.5 * first) << "second " << second << ", first " << first;
    std::printf(
        "[ figures  ] music from %.3f s, first module RMS %.0f; change to slot 2 at frame %zu of the "
        "file (%.3f s), second module RMS %.0f\n",
        start, first, change, changeSeconds, second);
}

// F4 to walk mode and F4 back restart the first module from its beginning,
// looping: it sounds again from that frame and goes on past its length.
TEST_F(MusicWav, F4TwiceRestartsTheFirstModuleLooped) {
    const int fps = 10;
    // The tone has ended (music from 5.3 s, 3 seconds long) when F4 comes back at frame 60.
    const std::string script =
        "40 key F4 down\n41 key F4 up\n"
        "60 key F4 down\n61 key F4 up\n";
    ASSERT_EQ(Run(fps, 150, script), 0) << output_;
    const std::vector<int16_t> samples = ReadWav(Wav());
    ASSERT_EQ(samples.size() / 2, 150 * kRate / fps + 5 * kRate);

    const double start = MusicStart(fps);
    EXPECT_EQ(Rms(samples, start + kFirstLength + 0.2, 11.0), 0.0);
    // The press of frame 60 acts when 61 frames have been presented: 6.1 s
    // and the wait.
    const size_t restart = FirstSound(samples, static_cast<size_t>((start + kFirstLength + 0.2) * kRate));
    EXPECT_EQ(restart, 61 * kRate / fps + 5 * kRate);
    const double again = double(restart) / kRate;
    // From its beginning: the same samples as when the music started.
    const size_t firstStart = FirstSound(samples, 0);
    EXPECT_EQ(firstStart, kFramesBeforeMusic * kRate / fps + 5 * kRate);
    const size_t compared = kRate / 2;
    EXPECT_EQ(std::memcmp(&samples[firstStart * 2], &samples[restart * 2], compared * 4), 0);
    // Looping: still sounding after the song's length.
    EXPECT_GT(Rms(samples, again + kFirstLength + 0.5, again + kFirstLength + 4), 100.0);
    std::printf("[ figures  ] first start at frame %zu, restart at frame %zu (%.3f s)\n", firstStart, restart, again);
}

// Without the second module the error report is written once; the library
// stays open, so the first module plays and the file runs to the program's end.
TEST_F(MusicWav, MissingSecondModuleIsReportedOnceAndTheProgramGoesOn) {
    const std::string second = root_ + "data/music/vdm2.it";
    const std::string kept = ReadAll(second);
    fs::remove(second);
    EXPECT_EQ(Run(10, 40), 0) << output_;
    demo::WriteText(second, kept);
    const std::string report =
        "\nMIDAS error: Could not read module file: " + root_ + "data/music/vdm2.it: No such file or directory\n";
    const size_t at = output_.find(report);
    EXPECT_NE(at, std::string::npos) << output_;
    EXPECT_EQ(output_.find("MIDAS", at + 2), std::string::npos) << output_;
    EXPECT_EQ(output_.find("BIG PANIC"), std::string::npos) << output_;
    const std::vector<int16_t> samples = ReadWav(Wav());
    EXPECT_EQ(samples.size() / 2, 40 * kRate / 10 + 5 * kRate);
    EXPECT_GT(Rms(samples, MusicStart(10) + 0.1, MusicStart(10) + kFirstLength - 0.1), 100.0);
}

// A damaged module silences only itself: with a damaged second module the
// first plays from the start; with a damaged first module the start is silent
// and the second plays from the change to slot 2. Each is reported once.
TEST_F(MusicWav, DamagedModuleLeavesTheOtherOnePlaying) {
    for (const char* damaged : {"vdm2.it", "vdm.it"}) {
        SCOPED_TRACE(damaged);
        const std::string path = root_ + "data/music/" + damaged;
        const std::string kept = ReadAll(path);
        demo::WriteText(path, "JUNK" + kept.substr(4));  // its signature overwritten
        const int code = Run(1, 175);
        demo::WriteText(path, kept);
        EXPECT_EQ(code, 0) << output_;
        ASSERT_NE(output_.find("Scene slot 2\n"), std::string::npos) << output_;
        const size_t report = output_.find("\nMIDAS error: Module format not recognised");
        EXPECT_NE(report, std::string::npos) << output_;
        EXPECT_EQ(output_.find("MIDAS", report + 2), std::string::npos) << "one report only: " << output_;
        EXPECT_EQ(output_.find("BIG PANIC"), std::string::npos) << output_;
        const std::vector<int16_t> samples = ReadWav(Wav());
        ASSERT_EQ(samples.size() / 2, (175 + 5) * kRate);
        const double start = MusicStart(1);
        const double first = Rms(samples, start + 0.1, start + kFirstLength - 0.1);
        const size_t change = FirstSound(samples, static_cast<size_t>((start + kFirstLength + 1) * kRate));
        const double changeSeconds = double(change) / kRate;
        if (std::string(damaged) == "vdm2.it") {
            EXPECT_GT(first, 100.0);
            EXPECT_EQ(Rms(samples, start + kFirstLength + 0.2, 180.0), 0.0) << "nothing after the first module";
        } else {
            EXPECT_EQ(first, 0.0);
            EXPECT_GE(changeSeconds, start + 399.0 / 60 + 3699.0 / 24);
            EXPECT_LE(changeSeconds, start + 399.0 / 60 + 3699.0 / 24 + 2.0);
            EXPECT_GT(Rms(samples, changeSeconds + 0.1, changeSeconds + 5), 100.0);
        }
    }
}

// A WAV file that cannot be written (every file capped at 1 MB, about six
// seconds of sound) is reported with the system's reason, the program ends
// with 1, and the file keeps a header that describes what it holds.
TEST_F(MusicWav, FullDiskIsReportedAndTheFileStaysReadable) {
    const std::vector<std::string> args = {"--data",   root_ + "data", "--headless",  "--fixed-fps", "10",
                                           "--frames", "100",          "--audio-out", Wav()};
    EXPECT_EQ(Wait(Start(args, root_ + "output.txt", 1 << 20)), 1);
    output_ = ReadAll(root_ + "output.txt");
    EXPECT_NE(output_.find("\nMIDAS error: Could not write WAV file: " + Wav() + ": File too large\n"),
              std::string::npos)
        << output_;
    const std::vector<int16_t> samples = ReadWav(Wav());
    EXPECT_GT(samples.size() / 2, 5 * kRate);
    EXPECT_LE(samples.size() * 2 + 44, size_t{1} << 20);
}

// A recording killed outright still has a header that matches the sound in the
// file up to the last second or so.
TEST_F(MusicWav, KilledRecordingKeepsAReadableHeader) {
    // At 100 frames a second the demo lasts some 22,000 frames, far longer than the test waits.
    const pid_t pid = Start(
        {"--data", root_ + "data", "--headless", "--fixed-fps", "100", "--frames", "1800000", "--audio-out", Wav()},
        root_ + "output.txt");
    const uintmax_t wanted = 20 * kRate * 4;  // twenty seconds of sound
    for (int i = 0; i < 1200 && !(fs::exists(Wav()) && fs::file_size(Wav()) > wanted); ++i) usleep(50 * 1000);
    kill(pid, SIGKILL);
    EXPECT_EQ(Wait(pid), 128 + SIGKILL);
    const std::string bytes = ReadAll(Wav());
    ASSERT_GT(bytes.size(), wanted);
    uint32_t riff = 0, data = 0;
    std::memcpy(&riff, &bytes[4], 4);
    std::memcpy(&data, &bytes[40], 4);
    EXPECT_EQ(bytes.substr(36, 4), "data");
    EXPECT_EQ(riff, data + 36);
    EXPECT_EQ(data % 4, 0u);
    // The header never claims more than the file holds, and lags it by about a second at most.
    EXPECT_LE(data, bytes.size() - 44);
    EXPECT_GE(data + 2 * kRate * 4, bytes.size() - 44) << "header " << data << ", file " << bytes.size();
    EXPECT_GT(data, 10 * kRate * 4);
}

}  // namespace
