// Run-time libraries by the names the program forms ("t7dxraster.dll",
// "LWO.dll"): X.dll is found as X.so, compared without regard to case, beside
// the program, in its ../lib/tessaly/ or in the current directory.
#include <dirent.h>
#include <dlfcn.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

// Why the last failed plat_LoadLibrary or plat_GetProcAddress failed.
char g_libraryError[2048];

void SetLibraryError(const std::string& text) {
    std::snprintf(g_libraryError, sizeof g_libraryError, "%s", text.c_str());
}

bool EndsWithNoCase(const std::string& text, const char* suffix) {
    const size_t n = std::strlen(suffix);
    return text.size() >= n && ::strcasecmp(text.c_str() + text.size() - n, suffix) == 0;
}

bool IsRegularFile(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The directory of the running program, with '/' appended; empty when unknown.
std::string ProgramDirectory() {
    std::vector<char> buffer(4096);
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0 || static_cast<size_t>(n) >= buffer.size() - 1) return {};
    std::string path(buffer.data(), static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return path.substr(0, slash + 1);
}

// The file in directory (ending in '/') named fileName without regard to
// case: the exact name first, else the smallest name that differs only in
// case. Empty when there is none.
std::string FindInDirectory(const std::string& directory, const std::string& fileName) {
    if (IsRegularFile(directory + fileName)) return directory + fileName;
    DIR* dir = ::opendir(directory.c_str());
    if (dir == nullptr) return {};
    std::string best;
    while (const dirent* entry = ::readdir(dir)) {
        if (::strcasecmp(entry->d_name, fileName.c_str()) != 0) continue;
        if (!IsRegularFile(directory + entry->d_name)) continue;
        if (best.empty() || std::strcmp(entry->d_name, best.c_str()) < 0) best = entry->d_name;
    }
    ::closedir(dir);
    return best.empty() ? std::string() : directory + best;
}

// dlopen; on failure the loader's reason (missing symbol, wrong
// architecture, not a library) goes into reason.
void* OpenFound(const std::string& path, std::string& reason) {
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* why = ::dlerror();
        reason = why != nullptr ? why : path + ": cannot be loaded";
    }
    return library;
}

std::string JoinDirectories(const std::vector<std::string>& directories) {
    std::string joined;
    for (const std::string& directory : directories) joined += (joined.empty() ? "" : ", ") + directory;
    return joined;
}

}  // namespace

void* plat_LoadLibrary(const char* name) {
    g_libraryError[0] = '\0';
    if (name == nullptr || name[0] == '\0') {
        SetLibraryError("no library name given");
        return nullptr;
    }
    const std::string given(name);
    // A library file name proper goes to the system loader unchanged.
    if (given.size() > 3 && given.compare(given.size() - 3, 3, ".so") == 0) {
        std::string reason;
        void* library = OpenFound(given, reason);
        if (library == nullptr) SetLibraryError(reason);
        return library;
    }

    // A directory part limits the search to that directory.
    const size_t slash = given.rfind('/');
    std::string stem = slash == std::string::npos ? given : given.substr(slash + 1);
    if (EndsWithNoCase(stem, ".dll")) stem.resize(stem.size() - 4);
    const std::string fileName = stem + ".so";

    std::vector<std::string> directories;
    if (slash != std::string::npos) {
        directories.push_back(given.substr(0, slash + 1));
    } else {
        const std::string program = ProgramDirectory();
        if (!program.empty()) {
            directories.push_back(program);
            directories.push_back(program + "../lib/tessaly/");
        }
        directories.push_back("./");
    }

    // A file that is found but cannot be loaded does not end the search; its
    // reason is kept for the report should nothing else load.
    std::string reasons;
    for (const std::string& directory : directories) {
        const std::string path = FindInDirectory(directory, fileName);
        if (path.empty()) continue;
        std::string reason;
        if (void* library = OpenFound(path, reason)) return library;
        reasons += (reasons.empty() ? "" : "; ") + reason;
    }
    SetLibraryError(fileName + (reasons.empty() ? " not found" : " not loadable: " + reasons) + " (searched " +
                    JoinDirectories(directories) + ")");
    return nullptr;
}

const char* plat_LibraryError(void) { return g_libraryError; }

void* plat_GetProcAddress(void* library, const char* symbol) {
    if (library == nullptr || symbol == nullptr) return nullptr;
    ::dlerror();  // forget an earlier failure
    void* address = ::dlsym(library, symbol);
    if (address == nullptr) {
        const char* why = ::dlerror();
        SetLibraryError(why != nullptr ? why : std::string(symbol) + ": not exported");
    }
    return address;
}

void plat_FreeLibrary(void* library) {
    if (library != nullptr) ::dlclose(library);
}
