// The texts a library hands to its message callback, collected for the test
// that reads them.
#pragma once

#include <string>
#include <vector>

namespace test_messages {

// Everything collected since the test (or whoever cleared it) began.
inline std::vector<std::string>& Messages() {
    static std::vector<std::string> messages;
    return messages;
}

// The message callback: keeps the text, returns 0.
inline int Collect(const char* message) {
    Messages().emplace_back(message);
    return 0;
}

}  // namespace test_messages
