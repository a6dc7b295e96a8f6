#include "image_names.h"

#include <cstdio>
#include <string>

#include "platform/platform.h"

namespace lwo {
namespace {

bool FileExists(const std::string& path) { return plat_ResolvePath(path.c_str(), nullptr, 0) == 1; }

bool Fits(const std::string& name) { return !name.empty() && name.size() < static_cast<size_t>(kNameLength); }

}  // namespace

bool ResolveImageName(const char* objectPath, const char* written, char (&out)[kNameLength]) {
    std::string path = written ? written : "";
    for (char& c : path)
        if (c == '\\') c = '/';
    // "Volume:rest" or "C:/rest": the volume means nothing on this machine.
    const size_t colon = path.find(':');
    if (colon != std::string::npos && path.find('/') > colon) path.erase(0, colon + 1);
    while (!path.empty() && path.front() == '/') path.erase(0, 1);
    const size_t slash = path.rfind('/');
    const std::string bare = slash == std::string::npos ? path : path.substr(slash + 1);

    std::string folder = objectPath ? objectPath : "";
    const size_t end = folder.rfind('/');
    folder = end == std::string::npos ? std::string("./") : folder.substr(0, end + 1);

    std::snprintf(out, sizeof out, "%s", bare.c_str());
    if (bare.empty()) return false;
    std::string up;
    for (int level = 0; level <= kImageSearchLevels; ++level, up += "../") {
        const std::string relative = up + path;
        if (Fits(relative) && FileExists(folder + relative)) {
            std::snprintf(out, sizeof out, "%s", relative.c_str());
            return true;
        }
    }
    return FileExists(folder + bare);
}

}  // namespace lwo
