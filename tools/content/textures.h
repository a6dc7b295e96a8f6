// The demo's pictures, all drawn procedurally: the fixed effect textures, the
// surface textures of the scenes and the credits picture.
#pragma once

#include <string>
#include <vector>

#include "tools/formats/tga_writer.h"

namespace demo {

struct NamedPicture {
    std::string path;  // below the data folder, e.g. "maps/fx_flare.tga"
    Picture picture;
    int bits = 24;
};

std::vector<NamedPicture> DemoPictures();

// Single pictures, exposed for the tests.
Picture FlarePicture();
Picture CreditsPicture();

}  // namespace demo
