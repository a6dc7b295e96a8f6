// Turning an SDL surface decoded by SDL2 into a Picture. Internal to the BMP
// plug-in.
#pragma once

#include <SDL2/SDL.h>

#include "plugins/images/picture.h"

namespace images {

// Copies the top-left width x height pixels of surface into out as R,G,B, or
// R,G,B,A when the surface has an alpha channel or a colour key (keyed pixels
// become transparent). False with the reason in fault.
bool SurfaceToPicture(SDL_Surface* surface, int width, int height, Picture& out, std::string& fault);

}  // namespace images
