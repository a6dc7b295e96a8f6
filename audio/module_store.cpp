// The loaded modules: file reading through the platform and decoding by
// libopenmpt (IT, XM, S3M, MOD and the other formats it knows).
#include "audio/module_store.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <libopenmpt/libopenmpt.h>

#include "audio/music_errors.h"
#include "platform/platform.h"

namespace music {

namespace {

struct LoadedModule {
    uintptr_t id = 0;  // 0: free slot
    openmpt_module* module = nullptr;
};

LoadedModule g_modules[kMaxModules];
uintptr_t g_nextId = 1;

// Reads the whole file; false after recording the error.
bool ReadFile(const char* path, std::vector<unsigned char>& bytes) {
    FILE* file = plat_OpenFile(path, "rb");
    if (!file) {
        SetError(kErrorReadModule, "%s: %s", path, std::strerror(errno));
        return false;
    }
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        SetError(kErrorReadModule, "%s: not a regular file", path);
        std::fclose(file);
        return false;
    }
    const long long size = info.st_size;
    if (size > kMaxModuleFileBytes) {
        SetError(kErrorReadModule, "%s: larger than %ld bytes", path, kMaxModuleFileBytes);
        std::fclose(file);
        return false;
    }
    bytes.resize(static_cast<size_t>(size));
    const bool ok = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    std::fclose(file);
    if (!ok) SetError(kErrorReadModule, "%s: read error", path);
    return ok;
}

}  // namespace

uintptr_t LoadModule(const char* path) {
    if (!path || !path[0]) {
        SetError(kErrorReadModule, "no file name given");
        return 0;
    }
    LoadedModule* slot = nullptr;
    for (LoadedModule& entry : g_modules)
        if (entry.id == 0) {
            slot = &entry;
            break;
        }
    if (!slot) {
        SetError(kErrorTooManyModules, "%s: at most %d modules", path, kMaxModules);
        return 0;
    }

    std::vector<unsigned char> bytes;
    if (!ReadFile(path, bytes)) return 0;
    if (bytes.empty()) {
        SetError(kErrorModuleFormat, "%s: the file is empty", path);
        return 0;
    }

    int error = OPENMPT_ERROR_OK;
    const char* errorText = nullptr;
    openmpt_module* module =
        openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr,
                                           openmpt_error_func_ignore, nullptr, &error, &errorText, nullptr);
    if (!module) {
        if (error == OPENMPT_ERROR_OUT_OF_MEMORY)
            SetError(kErrorOutOfMemory, "%s", path);
        else
            SetError(kErrorModuleFormat, "%s", path);
        openmpt_free_string(errorText);
        return 0;
    }
    openmpt_free_string(errorText);
    // No dither noise: its random seed would make every rendering of the same
    // music differ, and two runs on the fixed clock must give the same file.
    openmpt_module_ctl_set_integer(module, "dither", 0);
    slot->id = g_nextId++;
    slot->module = module;
    return slot->id;
}

openmpt_module* FindModule(uintptr_t id) {
    if (id == 0) return nullptr;
    for (const LoadedModule& entry : g_modules)
        if (entry.id == id) return entry.module;
    return nullptr;
}

void FreeAllModules() {
    for (LoadedModule& entry : g_modules) {
        if (entry.module) openmpt_module_destroy(entry.module);
        entry = LoadedModule{};
    }
}

}  // namespace music
