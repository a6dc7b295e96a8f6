// The whole demo data set: maps/, meshes/, images/, music/, scenes/ and an
// empty shots/, written below one folder.
#pragma once

#include <string>
#include <vector>

namespace demo {

struct DemoSetReport {
    bool ok = true;
    std::vector<std::string> files;  // written, relative to the folder
    std::string problem;             // what failed, when not ok
};

DemoSetReport WriteDemoSet(const std::string& folder);

}  // namespace demo
