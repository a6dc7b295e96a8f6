#include "tools/formats/byte_buffer.h"

#include <filesystem>
#include <fstream>

namespace demo {

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::error_code error;
    const std::filesystem::path target(path);
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), error);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

}  // namespace demo
