// A minimal run-time module the library lookup tests load by name.
#include "tessaly/export.h"

TESSALY_EXPORT int tessaly_probe_answer(void) { return 42; }
