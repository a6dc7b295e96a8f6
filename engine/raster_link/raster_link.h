// The engine's link to the raster back-end: the bound entries and what the
// front remembers of the calls made through it (internal to libt7gfx.so).
#pragma once

#include "tessaly/raster_interface.h"

// The entries bound by the last r_LinkRaster; every slot is null while no
// back-end is linked (and the slots after a failed lookup stay null).
const RasterEntryTable& Raster();

// True once r_SwapBuffers has been called; it stays true for the process.
bool FramePresented();

// The first three arguments of the last r_InitEngine (0 before the first).
int RememberedCard();
int RememberedVideoMode();
int RememberedDevice();
