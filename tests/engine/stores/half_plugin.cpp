// A format plug-in that exports only the first entry of each table, for the
// link failures of the engine's plug-in loading.
#include "tessaly/export.h"

TESSALY_EXPORT int r_Load2D(const char*, r_MsgCallback) { return 0; }
TESSALY_EXPORT int r_Load3D(const char*, r_MsgCallback) { return 0; }
