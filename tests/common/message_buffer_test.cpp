// The bounded formatter behind every library's messages: over-long texts are
// cut inside the buffer, the callback gets the text and its result comes back.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/message_buffer.h"

namespace {

std::string g_received;
int Receive(const char* text) {
    g_received = text;
    return 42;
}

TEST(MessageBuffer, CutsToTheBufferAndHandsTheTextOn) {
    // A buffer with guard bytes on either side: the cut text stays inside.
    char memory[2 + 8 + 2];
    std::memset(memory, '#', sizeof memory);
    char* buffer = memory + 2;
    EXPECT_EQ(FormatBounded(buffer, 8, "%s %d", "abcdef", 12345), buffer);
    EXPECT_STREQ(buffer, "abcdef ");
    EXPECT_EQ(std::string(memory, 2), "##");
    EXPECT_EQ(std::string(memory + 10, 2), "##");
    EXPECT_EQ(FormatBounded(buffer, 0, "%s", "untouched"), buffer);  // size 0 writes nothing
    EXPECT_STREQ(buffer, "abcdef ");

    MessageBuffer<16> messages;
    EXPECT_STREQ(messages.Text(), "");
    EXPECT_EQ(messages.Send(Receive, "r_Load2D : Error, %s is damaged\n", "a_long_name.tga"), 42);
    EXPECT_EQ(g_received, "r_Load2D : Erro");  // 15 characters and the terminator
    EXPECT_EQ(messages.Send(nullptr, "dropped %d", 7), 0);
    EXPECT_STREQ(messages.Text(), "dropped 7");  // formatted even without a callback
    EXPECT_STREQ(messages.Format("%c%c", 'o', 'k'), "ok");
    EXPECT_EQ(g_received, "r_Load2D : Erro");  // Format sends nothing
}

}  // namespace
