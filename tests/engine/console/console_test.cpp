// The engine console as the application drives it: key codes in, display
// lines, the input line and the command hand-off out.
#include <gtest/gtest.h>

#include <string>

#include "tessaly/engine_api.h"

namespace {

constexpr int kEnter = 13, kBackspace = 8, kUp = 30, kDown = 31;

void Type(const std::string& text) {
    for (unsigned char ch : text) r_ConsoleAddChar(ch);
}
void EnterCommand(const std::string& text) {
    Type(text);
    r_ConsoleAddChar(kEnter);
    r_ConsoleCommandAccepted();
}
std::string Command() { return r_ConsoleGetCommand(); }

TEST(Console, CallsWithoutAConsoleAreHarmless) {
    r_ConsoleDeInit();
    EXPECT_EQ(r_ConsolePrintLine("text"), 0);
    EXPECT_EQ(r_ConsoleGetLine(0), nullptr);
    for (int code : {int{'a'}, kEnter, kUp, kDown}) r_ConsoleAddChar(code);
    EXPECT_EQ(r_ConsoleHasCommandAvailable(), 0);
    EXPECT_EQ(Command(), "");
}

TEST(Console, LinesAreCutAndAFullListScrolls) {
    ASSERT_EQ(r_ConsoleInit(3, 2, 256), 0);
    EXPECT_EQ(r_ConsolePrintLine(std::string(300, 'x').c_str()), 1);
    EXPECT_EQ(std::string(r_ConsoleGetLine(0)), std::string(254, 'x'));
    EXPECT_EQ(r_ConsolePrintLine(nullptr), 1);
    for (const char* text : {"A", "B", "C"}) r_ConsolePrintLine(text);
    EXPECT_EQ(r_ConsolePrintLine("D"), 3);
    EXPECT_STREQ(r_ConsoleGetLine(0), "B");
    EXPECT_STREQ(r_ConsoleGetLine(2), "D");
    EXPECT_EQ(r_ConsoleGetLine(3), nullptr);
    r_ConsoleDeInit();
}

TEST(Console, TypingEnterAndTheHandOff) {
    ASSERT_EQ(r_ConsoleInit(30, 25, 256), 0);
    r_ConsoleAddChar(kBackspace);  // on an empty line: nothing changes
    r_ConsoleAddChar(kEnter);      // on an empty line: no command
    EXPECT_EQ(Command(), "_");
    EXPECT_EQ(r_ConsoleHasCommandAvailable(), 0);
    Type(std::string(300, 'k'));
    EXPECT_EQ(Command(), std::string(254, 'k') + "_");
    r_ConsoleAddChar(1);
    Type("dir");
    r_ConsoleAddChar(kBackspace);
    r_ConsoleAddChar(0x100 + 'X');  // only the low byte counts
    r_ConsoleAddChar(10);           // ignored
    r_ConsoleAddChar(kEnter);
    EXPECT_EQ(r_ConsoleHasCommandAvailable(), 1);
    EXPECT_EQ(Command(), "diX");
    EXPECT_STREQ(r_ConsoleGetLine(0), "diX");
    r_ConsoleCommandAccepted();
    EXPECT_EQ(r_ConsoleHasCommandAvailable(), 0);
    EXPECT_EQ(Command(), "_");
    r_ConsoleDeInit();
}

TEST(Console, CursorCharacter) {
    ASSERT_EQ(r_ConsoleInit(30, 25, 256), 0);
    Type("ab");
    r_ConsoleSetCursorCharacter(10);
    EXPECT_EQ(Command(), "ab_");
    r_ConsoleSetCursorCharacter('#');
    EXPECT_EQ(Command(), "ab#");
    r_ConsoleAddChar(kEnter);  // a waiting command is left as typed
    r_ConsoleSetCursorCharacter('*');
    EXPECT_EQ(Command(), "ab");
    r_ConsoleDeInit();
    ASSERT_EQ(r_ConsoleInit(30, 25, 256), 0);
    EXPECT_EQ(Command(), "_");
    r_ConsoleDeInit();
}

TEST(Console, HistoryUpAndDown) {
    ASSERT_EQ(r_ConsoleInit(30, 2, 256), 0);
    r_ConsoleAddChar(kUp);  // no history yet
    EXPECT_EQ(Command(), "_");
    EnterCommand("first");
    EnterCommand("second");
    for (const char* expected : {"second_", "first_", "first_"}) {
        r_ConsoleAddChar(kUp);
        EXPECT_EQ(Command(), expected);
    }
    r_ConsoleAddChar(kDown);
    r_ConsoleAddChar(kDown);
    EXPECT_EQ(Command(), "second_");
    // The full history scrolls; right after Enter down reads past the newest
    // entry, which shows an empty line.
    r_ConsoleAddChar(1);
    EnterCommand("third");
    r_ConsoleAddChar(kDown);
    EXPECT_EQ(Command(), "_");
    r_ConsoleAddChar(kUp);
    r_ConsoleAddChar(kUp);
    r_ConsoleAddChar(kUp);
    EXPECT_EQ(Command(), "second_");
    r_ConsoleClear();
    r_ConsoleAddChar(kUp);
    EXPECT_EQ(Command(), "_");
    r_ConsoleDeInit();
}

}  // namespace
