#include "app/demo_folder.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace {

constexpr const char* kSceneFiles[] = {"intromask.lws", "main.lws", "inner.lws", "endtitle.lws"};

// The path as found without regard to case; false when it does not exist.
bool Resolve(const std::string& path, std::string& found) {
    char buffer[4096];
    const bool exists = plat_ResolvePath(path.c_str(), buffer, sizeof buffer) != 0;
    found = buffer;
    return exists;
}

// A folder the program lists and opens files in: it must exist, be a folder,
// and be listable and searchable. False after adding the problem.
bool CheckFolder(const std::string& folder, const char* name, std::vector<std::string>& problems) {
    std::string path;
    struct stat info;
    if (!Resolve(folder + name, path) || ::stat(path.c_str(), &info) != 0) {
        problems.push_back(std::string(name) + "/ is missing");
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        problems.push_back(std::string(name) + "/ is not a folder");
        return false;
    }
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr || ::access(path.c_str(), X_OK) != 0) {
        const int error = errno;
        if (dir != nullptr) ::closedir(dir);
        problems.push_back(std::string(name) + "/ cannot be read: " + std::strerror(error));
        return false;
    }
    ::closedir(dir);
    return true;
}

void CheckScene(const std::string& folder, const char* file, std::vector<std::string>& problems) {
    const std::string shown = std::string("scenes/") + file;
    std::string path;
    struct stat info;
    if (!Resolve(folder + shown, path) || ::stat(path.c_str(), &info) != 0) {
        problems.push_back(shown + " is missing");
        return;
    }
    if (!S_ISREG(info.st_mode)) {
        problems.push_back(shown + " is not a file");
        return;
    }
    FILE* scene = std::fopen(path.c_str(), "rb");
    if (scene == nullptr) {
        problems.push_back(shown + " cannot be read: " + std::strerror(errno));
        return;
    }
    std::fclose(scene);
}

}  // namespace

std::vector<std::string> DemoFolderProblems(const std::string& folder) {
    std::vector<std::string> problems;
    if (CheckFolder(folder, "scenes", problems))
        for (const char* file : kSceneFiles) CheckScene(folder, file, problems);
    CheckFolder(folder, "meshes", problems);
    return problems;
}
