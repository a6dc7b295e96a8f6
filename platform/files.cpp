// Data files on a case-sensitive file system: every path the program opens is
// resolved component by component without regard to case, and the directory
// search of the console lists entries with the wildcard patterns it is given.
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

char ToLowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool Exists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

// Joins a directory prefix ("" for the current directory, "/" for the root,
// or a prefix ending in '/') with one component.
std::string Join(const std::string& prefix, const std::string& component) { return prefix + component; }

// The entry of directory (a prefix as above) whose name equals component
// without regard to case; the smallest such name when several differ only in
// case, so the choice does not depend on directory order. Empty when none.
std::string MatchInDirectory(const std::string& prefix, const std::string& component) {
    const std::string dirPath = prefix.empty() ? std::string(".") : prefix;
    DIR* dir = ::opendir(dirPath.c_str());
    if (dir == nullptr) return {};
    std::string best;
    while (const dirent* entry = ::readdir(dir)) {
        if (::strcasecmp(entry->d_name, component.c_str()) != 0) continue;
        if (best.empty() || std::strcmp(entry->d_name, best.c_str()) < 0) best = entry->d_name;
    }
    ::closedir(dir);
    return best;
}

// '*' any run of characters, '?' any one character; letters compared without
// regard to case.
bool WildcardMatch(const char* pattern, const char* name) {
    const char* starPattern = nullptr;
    const char* starName = nullptr;
    while (*name != '\0') {
        if (*pattern == '*') {
            starPattern = ++pattern;
            starName = name;
        } else if (*pattern != '\0' && (*pattern == '?' || ToLowerAscii(*pattern) == ToLowerAscii(*name))) {
            ++pattern;
            ++name;
        } else if (starPattern != nullptr) {
            pattern = starPattern;
            name = ++starName;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

// Searches opened by plat_FindFirst: the matching entries, read and sorted
// at once so the listing order does not depend on the file system.
struct Search {
    std::vector<PlatFindData> entries;
    size_t next = 0;
};
constexpr int kMaxSearches = 16;
std::unique_ptr<Search> g_searches[kMaxSearches];

Search* SearchFor(intptr_t handle) {
    if (handle < 0 || handle >= kMaxSearches) return nullptr;
    return g_searches[handle].get();
}

std::string ResolvePath(const char* path, bool* exists) {
    if (exists != nullptr) *exists = false;
    if (path == nullptr || path[0] == '\0') return {};
    const std::string given(path);
    if (Exists(given)) {
        if (exists != nullptr) *exists = true;
        return given;
    }

    // Walk the components; a component that matches nothing is kept as given
    // together with everything after it (a file about to be created keeps its
    // name, its directories are still found).
    std::string resolved = given.front() == '/' ? "/" : "";
    size_t pos = resolved.size();
    while (pos <= given.size()) {
        size_t slash = given.find('/', pos);
        if (slash == std::string::npos) slash = given.size();
        const std::string component = given.substr(pos, slash - pos);
        const bool last = slash >= given.size();
        const std::string suffix = last ? "" : "/";
        if (component.empty() || component == "." || component == ".." || Exists(Join(resolved, component))) {
            resolved += component + suffix;
        } else {
            const std::string match = MatchInDirectory(resolved, component);
            if (match.empty()) {
                resolved += given.substr(pos);
                break;
            }
            resolved += match + suffix;
        }
        if (last) break;
        pos = slash + 1;
    }
    if (exists != nullptr) *exists = Exists(resolved);
    return resolved;
}

}  // namespace

int plat_ResolvePath(const char* path, char* out, size_t outSize) {
    bool exists = false;
    const std::string resolved = ResolvePath(path, &exists);
    if (out != nullptr && outSize > 0) std::snprintf(out, outSize, "%s", resolved.c_str());
    return exists ? 1 : 0;
}

FILE* plat_OpenFile(const char* path, const char* mode) {
    if (path == nullptr || mode == nullptr) return nullptr;
    const std::string resolved = ResolvePath(path, nullptr);
    return std::fopen(resolved.c_str(), mode);
}

int plat_GetCurrentDirectory(char* buffer, size_t size) {
    std::vector<char> cwd(4096);
    while (::getcwd(cwd.data(), cwd.size()) == nullptr) {
        if (errno != ERANGE || cwd.size() > (1u << 20)) {
            if (buffer != nullptr && size > 0) buffer[0] = '\0';
            return 0;
        }
        cwd.resize(cwd.size() * 2);
    }
    std::string text(cwd.data());
    if (text.empty() || text.back() != '/') text += '/';
    if (buffer == nullptr || size == 0) return 0;
    std::snprintf(buffer, size, "%s", text.c_str());
    return static_cast<int>(std::strlen(buffer));
}

intptr_t plat_FindFirst(const char* pattern, PlatFindData* data) {
    if (pattern == nullptr) return -1;
    int slot = 0;
    while (slot < kMaxSearches && g_searches[slot]) ++slot;
    if (slot == kMaxSearches) return -1;

    const std::string given(pattern);
    const size_t slash = given.rfind('/');
    const std::string dirPart = slash == std::string::npos ? "" : given.substr(0, slash + 1);
    const std::string namePattern = slash == std::string::npos ? given : given.substr(slash + 1);
    std::string dirPath = dirPart.empty() ? std::string(".") : ResolvePath(dirPart.c_str(), nullptr);
    if (dirPath.empty()) dirPath = ".";
    if (dirPath.back() != '/') dirPath += '/';
    // "*.*" means every entry, as it always has, even names without a dot.
    const bool everything = namePattern == "*.*" || namePattern == "*";

    DIR* dir = ::opendir(dirPath.c_str());
    if (dir == nullptr) return -1;
    auto search = std::make_unique<Search>();
    while (const dirent* entry = ::readdir(dir)) {
        if (!everything && !WildcardMatch(namePattern.c_str(), entry->d_name)) continue;
        PlatFindData found{};
        std::snprintf(found.name, sizeof found.name, "%s", entry->d_name);
        bool isDirectory = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat info;
            isDirectory = ::stat((dirPath + entry->d_name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        }
        found.attrib = isDirectory ? PLAT_ATTRIB_DIRECTORY : 0;
        search->entries.push_back(found);
    }
    ::closedir(dir);
    if (search->entries.empty()) return -1;
    std::sort(search->entries.begin(), search->entries.end(),
              [](const PlatFindData& a, const PlatFindData& b) { return std::strcmp(a.name, b.name) < 0; });

    if (data != nullptr) *data = search->entries[0];
    search->next = 1;
    g_searches[slot] = std::move(search);
    return slot;
}

int plat_FindNext(intptr_t handle, PlatFindData* data) {
    Search* search = SearchFor(handle);
    if (search == nullptr || search->next >= search->entries.size()) return -1;
    if (data != nullptr) *data = search->entries[search->next];
    ++search->next;
    return 0;
}

int plat_FindClose(intptr_t handle) {
    if (SearchFor(handle) == nullptr) return -1;
    g_searches[handle].reset();
    return 0;
}
