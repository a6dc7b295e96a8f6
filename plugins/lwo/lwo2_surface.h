// LWO2 SURF chunks: surface attributes and image texture layers.
#pragma once

#include "chunk_walker.h"
#include "lwo_reader.h"

namespace lwo {

// Reads the sub-chunks of a SURF chunk, starting `skip` bytes into its data
// (past the name and the source surface), into s. Image layers fill the
// texture slots in ordinal order with their clip numbers (names come later);
// a reflection image (RIMG) takes the next slot. What cannot be shown adds
// its SkipNote bit to skipped; data cut short sets damaged.
void ReadLwo2Surface(const uint8_t* data, const Chunk& chunk, int64_t skip, LwoSurface& s, uint32_t& skipped,
                     bool& damaged);

}  // namespace lwo
