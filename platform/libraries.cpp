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

bool EndsWithNoCase(const std::string& text, const char* suffix)
{
    const size_t n = std::strlen(suffix);
    return text.size() >= n && ::strcasecmp(text.c_str() + text.size() - n, suffix) == 0;
}

bool IsRegularFile(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The directory of the running program, with '/' appended; empty when unknown.
std::string ProgramDirectory()
{
    std::vector<char> buffer(4096);
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0 || static_cast<size_t>(n) >= buffer.size() - 1)
        return {};
    std::string path(buffer.data(), static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return path.substr(0, slash + 1);
}

// The file in directory (ending in '/') named fileName without regard to
// case: the exact name first, else the smallest name that differs only in
// case. Empty when there is none.
std::string FindInDirectory(const std::string& directory, const std::string& fileName)
{
    if (IsRegularFile(directory + fileName))
        return directory + fileName;
    DIR* dir = ::opendir(directory.c_str());
    if (dir == nullptr)
        return {};
    std::string best;
    while (const dirent* entry = ::readdir(dir)) {
        if (::strcasecmp(entry->d_name, fileName.c_str()) != 0)
            continue;
        if (!IsRegularFile(directory + entry->d_name))
            continue;
        if (best.empty() || std::strcmp(entry->d_name, best.c_str()) < 0)
            best = entry->d_name;
    }
    ::closedir(dir);
    return best.empty() ? std::string() : directory + best;
}

void* OpenFound(const std::string& path)
{
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        // The file is there but cannot be loaded (missing symbol, wrong
        // architecture): worth a line for whoever runs the program.
        const char* why = ::dlerror();
        std::fprintf(stderr, "plat_LoadLibrary: %s\n", why != nullptr ? why : path.c_str());
    }
    return library;
}

}  // namespace

void* plat_LoadLibrary(const char* name)
{
    if (name == nullptr || name[0] == '\0')
        return nullptr;
    const std::string given(name);
    // A library file name proper goes to the system loader unchanged.
    if (given.size() > 3 && given.compare(given.size() - 3, 3, ".so") == 0)
        return OpenFound(given);

    // A directory part limits the search to that directory.
    const size_t slash = given.rfind('/');
    std::string stem = slash == std::string::npos ? given : given.substr(slash + 1);
    if (EndsWithNoCase(stem, ".dll"))
        stem.resize(stem.size() - 4);
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

    for (const std::string& directory : directories) {
        const std::string path = FindInDirectory(directory, fileName);
        if (path.empty())
            continue;
        if (void* library = OpenFound(path))
            return library;
    }
    return nullptr;
}

void* plat_GetProcAddress(void* library, const char* symbol)
{
    if (library == nullptr || symbol == nullptr)
        return nullptr;
    return ::dlsym(library, symbol);
}

void plat_FreeLibrary(void* library)
{
    if (library != nullptr)
        ::dlclose(library);
}
