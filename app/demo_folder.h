// What the demo needs from its data folder: readable scenes/ and meshes/ folders and the
// four scenes in scenes/. Checked before anything starts, so that a folder
// that is not a demo is named as such instead of playing black frames.
#pragma once

#include <string>
#include <vector>

// One line per problem ("scenes/main.lws is missing", "meshes/ cannot be read:
// Permission denied"); empty when the folder (absolute, ending in '/') holds
// what the demo needs. Names are found without regard to case, as every data
// file is.
std::vector<std::string> DemoFolderProblems(const std::string& folder);
