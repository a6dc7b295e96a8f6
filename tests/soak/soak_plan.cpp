#include "tests/soak/soak_plan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/scene_slots.h"

namespace soak {

namespace {

// Animation rates the scene director gives slots 0, 1 and 2.
constexpr float kSlotRates[3] = {60.0f, 24.0f, 24.0f};
// The end title runs until its stopwatch shows this many seconds.
constexpr double kEndTitleSeconds = 4.9;

// Movement block repeated through the walk: forward, a turn while strafing,
// back, up and down again, so the camera stays among the scene's objects.
constexpr long kBlockFrames = 400;

class ScriptWriter {
public:
    void Line(long frame, const char* format, const char* text) {
        char line[256];
        std::snprintf(line, sizeof line, "%ld ", frame);
        script_ += line;
        std::snprintf(line, sizeof line, format, text);
        script_ += line;
        script_ += '\n';
    }
    void Comment(const char* text) {
        script_ += "# ";
        script_ += text;
        script_ += '\n';
    }
    void Tap(long frame, const char* key) {
        Line(frame, "key %s down", key);
        Line(frame + 1, "key %s up", key);
    }
    void Hold(long from, long to, const char* key) {
        Line(from, "key %s down", key);
        Line(to, "key %s up", key);
    }
    void Mouse(long frame, int dx, int dy) {
        char line[64];
        std::snprintf(line, sizeof line, "%ld mouse %d %d\n", frame, dx, dy);
        script_ += line;
    }
    // Types a console command and presses Return; returns the next free frame.
    long Command(long frame, const std::string& command) {
        Line(frame, "type %s", command.c_str());
        const long done = frame + 2 * static_cast<long>(command.size());
        Tap(done + 1, "RETURN");
        return done + 4;
    }
    std::string Take() { return std::move(script_); }

private:
    std::string script_;
};

// Walk moves from frame `from` up to (not including) `to`, in whole or cut blocks.
void WalkMoves(ScriptWriter& out, long from, long to) {
    for (long block = from; block < to; block += kBlockFrames) {
        struct Segment {
            long start, end;
            const char* key;
        };
        const Segment segments[] = {
            {0, 100, "UP"}, {100, 200, "RIGHT"}, {200, 300, "DOWN"}, {300, 350, "A"}, {350, 400, "Z"},
        };
        for (const Segment& s : segments) {
            const long start = block + s.start;
            if (start >= to) break;
            const long end = std::min(block + s.end, to);
            out.Hold(start, end, s.key);
        }
        // The turn: about one revolution of heading with a small pitch wobble
        // that returns to level, while strafing.
        for (long f = 100; f < 200; f += 4) {
            if (block + f >= to) break;
            out.Mouse(block + f, 12, f < 150 ? 2 : -2);
        }
    }
}

}  // namespace

long FramesToEndTitle(int fps) {
    long frames = 0;
    for (int slot = 0; slot < 3; ++slot) {
        const double seconds = static_cast<double>(DirectorSlotEnd(slot)) / static_cast<double>(kSlotRates[slot]);
        frames += static_cast<long>(std::ceil(seconds * fps - 1e-9));
    }
    return frames;
}

long EndTitleFrames(int fps) { return static_cast<long>(std::floor(kEndTitleSeconds * fps)) + 1; }

Plan MakePlan(const PlanSettings& settings) {
    ScriptWriter out;
    Plan plan;
    out.Comment("tessaly soak: demo passes ended in the end title by F4, scenes loaded again, F4 restarts");
    const long toEndTitle = FramesToEndTitle(settings.fps);
    const long halfEndTitle = EndTitleFrames(settings.fps) / 2;

    // The frame at which the scene stopwatch of the pass starts: the last
    // start-up frame, or the frame the F4 restart presents before its walk frame.
    long passStart = settings.startupFrames;
    for (int pass = 1; pass <= settings.passes; ++pass) {
        const long toWalk = passStart + toEndTitle + halfEndTitle;
        out.Comment(("pass " + std::to_string(pass) + ": a screenshot halfway, F4 in the end title").c_str());
        out.Tap(passStart + toEndTitle / 2, "F3");
        out.Tap(toWalk, "F4");
        plan.passEnds.push_back(toWalk);
        if (pass == settings.passes) {
            plan.walkStart = toWalk + 2;
            break;
        }
        out.Comment("console: the scenes loaded again, slot 0 last");
        long frame = toWalk + 3;
        out.Tap(frame, "GRAVE");
        frame += 2;
        for (const std::string& scene : settings.reloads) frame = out.Command(frame, "load " + scene);
        out.Tap(frame, "GRAVE");
        frame += 3;
        out.Comment("F4 in walk mode restarts the demo");
        out.Tap(frame, "F4");
        passStart = frame + 1;
    }

    const long w0 = plan.walkStart;
    const long w = settings.walkFrames;
    // A tenth in the end title where the last pass left off, four tenths in the
    // main scene (F2), the rest in slot 0 (F1); a screenshot in each of the two.
    const long toMain = w0 + w / 10;
    const long toSlot0 = w0 + w / 2;
    out.Comment("walk mode: the end title, then the main scene, then slot 0");
    WalkMoves(out, w0, toMain);
    out.Tap(toMain, "F2");
    WalkMoves(out, toMain + 2, toSlot0);
    out.Tap(toMain + 50, "F3");
    out.Tap(toSlot0, "F1");
    WalkMoves(out, toSlot0 + 2, w0 + w);
    out.Tap(toSlot0 + 50, "F3");
    plan.escape = w0 + w + 5;
    out.Tap(plan.escape, "ESCAPE");
    plan.frameLimit = plan.escape + 200;
    plan.script = out.Take();
    return plan;
}

}  // namespace soak
