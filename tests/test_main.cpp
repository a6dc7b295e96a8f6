// The main of every test program: GoogleTest's own, with TMPDIR made canonical
// first. The program reports the paths it resolves in canonical form, and the
// tests compare those messages with paths under the temporary folder, so a
// TMPDIR such as "build/../tmp" or one through a symbolic link must not differ.
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && *tmp != '\0') {
        std::error_code error;
        const std::filesystem::path canonical = std::filesystem::weakly_canonical(tmp, error);
        if (!error) setenv("TMPDIR", canonical.c_str(), 1);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
