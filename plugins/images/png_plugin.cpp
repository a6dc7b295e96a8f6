// The format served by png.so.
#include "plugins/images/picture.h"

extern const images::Format kPluginFormat;
const images::Format kPluginFormat = {"png.dll", "PNG", images::DecodePng, images::EncodePng};
