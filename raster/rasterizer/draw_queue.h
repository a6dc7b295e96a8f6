// Drawing on several threads. With one drawing thread every primitive is drawn
// at once on the caller's thread. With more, the front end (fetch, cull, clip,
// set-up) still runs on the caller's thread, but the set-up primitives are
// recorded in submission order and drawn later: the frame is cut into bands of
// rows and each band, taken by one thread of the pool, replays the whole record
// restricted to its rows. Every pixel is computed from the same set-up values
// as with one thread and every pixel sees the primitives in submission order,
// so the picture is identical for any thread count.
//
// The record has a fixed capacity, reserved once; when it fills up it is drawn
// and emptied. Whatever reads or writes the surfaces or the textures outside
// the rasterizer first calls FinishDrawing.
#pragma once

#include "raster/rasterizer/clip.h"
#include "raster/rasterizer/triangle_setup.h"

namespace raster {

constexpr int kMaxDrawThreads = 64;

// Sets the number of drawing threads (the caller's included); 0 takes one per
// core. Finishes what is recorded first.
void SetDrawThreads(int count);
int DrawThreads();
// The count SetDrawThreads(0) takes: the cores this process may run on.
int CoreCount();

// Draws every recorded primitive and empties the record: the surfaces then
// hold the finished picture. Harmless when nothing is recorded.
void FinishDrawing();
// Empties the record without drawing (the surfaces are going away).
void DiscardDrawing();

// ---- recording, used by the front end (draw.cpp) ----
// True when primitives are to be recorded rather than drawn at once.
bool RecordingDraws();
// Brackets one submission whose primitives share dc; dc must stay valid until
// EndRecordedBatch.
void BeginRecordedBatch(const DrawContext& dc);
void EndRecordedBatch();
void RecordTriangle(const TriangleSetup& ts);
void RecordPoint(const ScreenVertex& v);
void RecordLine(const ScreenVertex& a, const ScreenVertex& b);

}  // namespace raster
