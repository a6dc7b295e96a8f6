// The format served by bmp.so.
#include "plugins/images/picture.h"

extern const images::Format kPluginFormat;
const images::Format kPluginFormat = {"bmp.dll", "BMP", images::DecodeBmp, nullptr};
