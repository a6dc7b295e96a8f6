// Texts for the platform result codes that end in a fatal message box or a
// clear-failure message. Built into the raster back-end (Raster profile) and
// the input library (Input profile).
#pragma once

#include <cstdint>

enum class DxResultProfile {
    Raster,  // COM rows known to both, DirectDraw, Direct3D, retained mode; fallback "Unknown Error"
    Input,   // all 209 rows; fallback "Unrecognized error value."
};

// Null for codes >= 0; the row's text for a code the profile knows; otherwise
// the profile's fallback. Texts are constant and never freed.
const char* DxResultText(int32_t code, DxResultProfile profile);
