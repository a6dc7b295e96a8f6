// The format served by iff.so (and by lbm.so, built from the same files with
// IMAGES_PLUGIN_NAME set to its own name).
#include "plugins/images/picture.h"

#ifndef IMAGES_PLUGIN_NAME
#define IMAGES_PLUGIN_NAME "iff.dll"
#endif

extern const images::Format kPluginFormat;
const images::Format kPluginFormat = {IMAGES_PLUGIN_NAME, "ILBM", images::DecodeIlbm, nullptr};
