#include "raster/rasterizer/draw_queue.h"

#include <sched.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "raster/rasterizer/band_workers.h"
#include "raster/rasterizer/rasterizer.h"
#include "raster/rasterizer/walkers.h"

namespace raster {

namespace {

// Record capacity: drawn and emptied when any part fills up. About 0.8 MB of
// set-up records at most, reserved when a second thread is first asked for:
// small enough to stay in a core's cache between recording and replay (with
// 16384 triangles, 6 MB, the replay read them back from memory, and two
// threads took 8 % more CPU for small triangles than with 2048).
constexpr size_t kMaxRecordedTriangles = 2048;
constexpr size_t kMaxRecordedVertices = 4096;
constexpr size_t kMaxRecordedContexts = 512;
constexpr size_t kMaxRecordedCommands = kMaxRecordedTriangles + kMaxRecordedVertices;
// Bands per thread: enough that a thread finishing early finds more work.
constexpr int kBandsPerThread = 6;
constexpr int kMinBandRows = 8;

enum class CommandKind : uint8_t { Triangle, Point, Line };

struct Command {
    CommandKind kind;
    uint32_t context;  // index into contexts
    uint32_t item;     // index into triangles (Triangle) or vertices (Point, Line)
    int minY, maxY;    // rows the primitive may touch, inclusive
};

struct Record {
    std::vector<DrawContext> contexts;
    std::vector<TriangleSetup> triangles;
    std::vector<ScreenVertex> vertices;
    std::vector<Command> commands;
    int minY = 0, maxY = -1;  // rows touched by any command, inclusive
};

struct Queue {
    int threads = 1;
    BandWorkers workers;
    Record record;
    const DrawContext* batch = nullptr;  // the submission being recorded
    int batchContext = -1;               // its index in the record, -1 until first needed
    // The run in progress.
    int bandRows = 0;
    int bandTop = 0;
};

Queue& TheQueue() {
    static Queue queue;
    return queue;
}

void Reserve(Record& r) {
    r.contexts.reserve(kMaxRecordedContexts);
    r.triangles.reserve(kMaxRecordedTriangles);
    r.vertices.reserve(kMaxRecordedVertices);
    r.commands.reserve(kMaxRecordedCommands);
}

void Clear(Queue& q) {
    q.record.contexts.clear();
    q.record.triangles.clear();
    q.record.vertices.clear();
    q.record.commands.clear();
    q.record.minY = 0;
    q.record.maxY = -1;
    q.batchContext = -1;
}

// Replays the record into rows [top, bottom] of the frame.
void DrawBand(const Record& r, int top, int bottom) {
    DrawContext banded;  // a context's copy with its scissor cut to the band (points and lines)
    uint32_t bandedContext = UINT32_MAX;
    TriangleSetup cut;  // a triangle's copy with its rows cut to the band
    const bool reference = CurrentRasterPath() == RasterPath::Reference;
    for (const Command& c : r.commands) {
        if (c.maxY < top || c.minY > bottom) continue;
        const DrawContext& dc = r.contexts[c.context];
        if (c.kind == CommandKind::Triangle) {
            // A triangle inside the band is drawn from the record itself; one
            // that crosses its edges from a copy with its rows cut to the band.
            const TriangleSetup* ts = &r.triangles[c.item];
            if (ts->minY < top || ts->maxY > bottom) {
                cut = *ts;
                cut.minY = std::max(cut.minY, top);
                cut.maxY = std::min(cut.maxY, bottom);
                ts = &cut;
            }
            if (reference)
                FillTriangleReference(dc, *ts);
            else
                FillTriangleFast(dc, *ts);
            continue;
        }
        if (bandedContext != c.context) {
            banded = dc;
            banded.clipY0 = std::max(dc.clipY0, top);
            banded.clipY1 = std::min(dc.clipY1, bottom + 1);
            bandedContext = c.context;
        }
        if (c.kind == CommandKind::Point)
            DrawPoint(banded, r.vertices[c.item]);
        else
            DrawLine(banded, r.vertices[c.item], r.vertices[c.item + 1]);
    }
}

void BandJob(void* context, int job) {
    Queue& q = *static_cast<Queue*>(context);
    const int top = q.bandTop + job * q.bandRows;
    const int bottom = std::min(top + q.bandRows - 1, q.record.maxY);
    DrawBand(q.record, top, bottom);
}

// Makes room for one more command with the given extra vertices; draws the
// record when it is full. Returns the context index for the new command.
uint32_t Room(Queue& q, size_t vertices) {
    Record& r = q.record;
    if (r.triangles.size() >= kMaxRecordedTriangles || r.vertices.size() + vertices > kMaxRecordedVertices ||
        r.commands.size() >= kMaxRecordedCommands)
        FinishDrawing();
    if (q.batchContext < 0) {
        if (r.contexts.size() >= kMaxRecordedContexts) FinishDrawing();
        r.contexts.push_back(*q.batch);
        q.batchContext = static_cast<int>(r.contexts.size()) - 1;
    }
    return static_cast<uint32_t>(q.batchContext);
}

void Touch(Record& r, int minY, int maxY) {
    if (r.maxY < r.minY) {
        r.minY = minY;
        r.maxY = maxY;
    } else {
        r.minY = std::min(r.minY, minY);
        r.maxY = std::max(r.maxY, maxY);
    }
}

// Records a command over count vertices (a point's one, a line's two) that
// may draw on any row of its context's clip rectangle.
void RecordOverClipRows(CommandKind kind, const ScreenVertex* v, size_t count) {
    Queue& q = TheQueue();
    const uint32_t context = Room(q, count);
    Record& r = q.record;
    const DrawContext& dc = r.contexts[context];
    r.commands.push_back({kind, context, static_cast<uint32_t>(r.vertices.size()), dc.clipY0, dc.clipY1 - 1});
    r.vertices.insert(r.vertices.end(), v, v + count);
    Touch(r, dc.clipY0, dc.clipY1 - 1);
}

}  // namespace

int CoreCount() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        const int n = CPU_COUNT(&set);
        if (n > 0) return n;
    }
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? static_cast<int>(n) : 1;
}

void SetDrawThreads(int count) {
    Queue& q = TheQueue();
    FinishDrawing();
    if (count <= 0) count = CoreCount();
    count = std::clamp(count, 1, kMaxDrawThreads);
    if (count > 1) Reserve(q.record);
    q.workers.Resize(count);
    q.threads = count;
}

int DrawThreads() { return TheQueue().threads; }

bool RecordingDraws() { return TheQueue().threads > 1; }

void FinishDrawing() {
    Queue& q = TheQueue();
    Record& r = q.record;
    if (r.commands.empty()) {
        Clear(q);
        return;
    }
    const int rows = r.maxY - r.minY + 1;
    if (rows > 0) {
        const int wanted = std::max(1, q.threads * kBandsPerThread);
        q.bandRows = std::max(kMinBandRows, (rows + wanted - 1) / wanted);
        q.bandTop = r.minY;
        const int bands = (rows + q.bandRows - 1) / q.bandRows;
        q.workers.Run(bands, BandJob, &q);
    }
    Clear(q);
}

void DiscardDrawing() { Clear(TheQueue()); }

void BeginRecordedBatch(const DrawContext& dc) {
    Queue& q = TheQueue();
    q.batch = &dc;
    q.batchContext = -1;
}

void EndRecordedBatch() {
    Queue& q = TheQueue();
    q.batch = nullptr;
    q.batchContext = -1;
}

void RecordTriangle(const TriangleSetup& ts) {
    Queue& q = TheQueue();
    const uint32_t context = Room(q, 0);
    Record& r = q.record;
    r.commands.push_back({CommandKind::Triangle, context, static_cast<uint32_t>(r.triangles.size()), ts.minY, ts.maxY});
    r.triangles.push_back(ts);
    Touch(r, ts.minY, ts.maxY);
}

void RecordPoint(const ScreenVertex& v) { RecordOverClipRows(CommandKind::Point, &v, 1); }

void RecordLine(const ScreenVertex& a, const ScreenVertex& b) {
    const ScreenVertex ends[2] = {a, b};
    RecordOverClipRows(CommandKind::Line, ends, 2);
}

}  // namespace raster
