// Image file names of LWO2 clips, resolved against the object's folder.
#pragma once

#include "lwo_reader.h"

namespace lwo {

// Folders above the object's own that a clip's path is tried from.
constexpr int kImageSearchLevels = 8;

// Finds the image a clip names for an object read from objectPath. The name
// is written in the neutral form ('/' separators, an optional "Volume:" in
// front; '\' is taken as '/'). Tried in order: the path relative to the
// object's folder and to each folder above it (the content directory holds
// Objects/ and Images/ side by side), then the bare file name beside the
// object. out receives the name to hand the engine: the found file's path
// relative to the object's folder (so a texture folder that is the object's
// folder or one beside it opens it), or the bare file name when nothing was
// found, for the engine's own texture folder. True when a file was found.
bool ResolveImageName(const char* objectPath, const char* written, char (&out)[kNameLength]);

}  // namespace lwo
