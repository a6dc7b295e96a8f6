// The loaded modules: a fixed store of decoded tracker modules, addressed by
// ids that are never reused within a process, so a stale handle never finds
// another module. Main thread only; the mixer plays the modules it is given.
#pragma once

#include <cstdint>

struct openmpt_module;

namespace music {

constexpr int kMaxModules = 32;
constexpr long kMaxModuleFileBytes = 256L * 1024 * 1024;

// Reads the file (case-insensitive path) and decodes it. Returns the module's
// id, or 0 after recording the error.
uintptr_t LoadModule(const char* path);
// The decoded module for an id, or null.
openmpt_module* FindModule(uintptr_t id);
// Destroys every module. The caller stops all playing first.
void FreeAllModules();

}  // namespace music
