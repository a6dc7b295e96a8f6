// Search for the files a scene or object names, in one place so the rules
// hold for objects and images alike.
#include "app/content_paths.h"

#include <sys/stat.h>
#include <cctype>

#include "platform/platform.h"

namespace {

// Drops "X:" (a drive letter) or "Volume:" (an Amiga volume) at the front.
std::string WithoutVolume(const std::string& path) {
    const size_t colon = path.find(':');
    if (colon == std::string::npos) return path;
    const size_t slash = path.find('/');
    if (slash != std::string::npos && slash < colon) return path;  // a ':' inside a folder name
    return path.substr(colon + 1);
}

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

// The folder above one ending in '/' ("" when there is none to go to).
std::string ParentFolder(const std::string& folder) {
    if (folder.empty() || folder == "/") return "";
    const size_t slash = folder.find_last_of('/', folder.size() - 2);
    if (slash == std::string::npos) return "";
    return folder.substr(0, slash + 1);
}

}  // namespace

std::string PortablePath(const std::string& written) {
    std::string path = written;
    for (char& c : path)
        if (c == '\\') c = '/';
    path = WithoutVolume(path);
    size_t start = 0;
    while (start < path.size() && path[start] == '/') ++start;
    return path.substr(start);
}

std::string BareFileName(const std::string& written) {
    const size_t separator = written.find_last_of("\\/:");
    return separator == std::string::npos ? written : written.substr(separator + 1);
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

ContentSearch FindContent(const std::string& written, ContentKind kind, const std::string& sceneFolder,
                          const std::string& contentDir, bool (*exists)(const std::string&)) {
    ContentSearch search;
    search.written = written;
    auto tryPlace = [&](const std::string& path) {
        if (path.empty() || !search.found.empty()) return;
        for (const std::string& earlier : search.tried)
            if (earlier == path) return;
        search.tried.push_back(path);
        if (exists(path)) search.found = path;
    };

    const std::string relative = PortablePath(written);
    const std::string scene = WithSlash(sceneFolder);
    // A path written for this machine (absolute, no volume) is taken as it stands.
    if (!written.empty() && written[0] == '/') tryPlace(written);
    if (relative.empty()) return search;

    if (!contentDir.empty()) {
        tryPlace(WithSlash(contentDir) + relative);
    } else {
        // The nearest folder at or above the scene's from which the path exists.
        const std::string start = scene.empty() ? std::string("./") : scene;
        for (std::string folder = start; !folder.empty() && search.found.empty(); folder = ParentFolder(folder))
            tryPlace(folder + relative);
    }
    tryPlace(scene + relative);

    const std::string bare = BareFileName(written);
    const char* neighbour = kind == ContentKind::Object ? "Objects/" : "Images/";
    tryPlace(scene + bare);
    tryPlace(scene + neighbour + bare);
    const std::string above = ParentFolder(scene.empty() ? std::string("./") : scene);
    if (!above.empty()) tryPlace(above + neighbour + bare);
    return search;
}

std::string TriedPlaces(const ContentSearch& search) {
    std::string text = "tried ";
    for (size_t i = 0; i < search.tried.size(); ++i) {
        if (i > 0) text += ", ";
        text += search.tried[i];
    }
    return text;
}

bool ContentFileExists(const std::string& path) {
    char resolved[4096];
    if (!plat_ResolvePath(path.c_str(), resolved, sizeof resolved)) return false;
    struct stat info {};
    return stat(resolved, &info) == 0 && S_ISREG(info.st_mode);
}
