// The engine console as the application drives it: key codes in, display
// lines, the input line and the command hand-off out.
#include <gtest/gtest.h>

#include <string>

#include "tessaly/engine_api.h"

namespace {

constexpr int kEnter = 13, kBackspace = 8, kClear = 1, kUp = 30, kDown = 31;

void Type(const std::string& text) {
    for (unsigned char ch : text) r_ConsoleAddChar(ch);
}

// Types a command, enters it and accepts it as the interpreter would.
void EnterCommand(const std::string& text) {
    Type(text);
    r_ConsoleAddChar(kEnter);
    r_ConsoleCommandAccepted();
}

std::string Command() { return r_ConsoleGetCommand(); }

class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(r_ConsoleInit(30, 25, 256), 0); }
    void TearDown() override { r_ConsoleDeInit(); }
};

TEST(ConsoleLifecycle, CallsWithoutAConsoleAreHarmless) {
    r_ConsoleDeInit();
    EXPECT_EQ(r_ConsolePrintLine("text"), 0);
    EXPECT_EQ(r_ConsoleGetLine(0), nullptr);
    r_ConsoleAddChar('a');
    r_ConsoleAddChar(kEnter);
    r_ConsoleAddChar(kUp);
    r_ConsoleSetCursorCharacter('#');
    EXPECT_EQ(r_ConsoleHasCommandAvailable(), 0);
    ASSERT_NE(r_ConsoleGetCommand(), nullptr);
    EXPECT_STREQ(r_ConsoleGetCommand(), "");
    EXPECT_EQ(r_ConsoleCommandAccepted(), 0);
    EXPECT_EQ(r_ConsoleClear(), 0);
}

TEST(ConsoleLifecycle, InitStartsOverAndDeInitRestoresTheDefaultCursor) {
    ASSERT_EQ(r_ConsoleInit(5, 5, 64), 0);
    r_ConsoleSetCursorCharacter('#');
    r_ConsolePrintLine("old");
    Type("abc");
    ASSERT_EQ(r_ConsoleInit(5, 5, 64), 0);
    EXPECT_EQ(r_ConsoleGetLine(0), nullptr);
    EXPECT_EQ(Command(), "#");  // the cursor character survives a new start
    r_ConsoleDeInit();
    ASSERT_EQ(r_ConsoleInit(5, 5, 64), 0);
    EXPECT_EQ(Command(), "_");
    r_ConsoleDeInit();
}

TEST_F(ConsoleTest, PrintLineCountsAndCutsToTheLineWidth) {
    EXPECT_EQ(r_ConsolePrintLine("first"), 1);
    EXPECT_EQ(r_ConsolePrintLine(nullptr), 1);
    EXPECT_EQ(r_ConsolePrintLine(std::string(300, 'x').c_str()), 2);
    EXPECT_STREQ(r_ConsoleGetLine(0), "first");
    EXPECT_EQ(std::string(r_ConsoleGetLine(1)), std::string(254, 'x'));
    EXPECT_EQ(r_ConsoleGetLine(2), nullptr);
    EXPECT_EQ(r_ConsoleGetLine(-1), nullptr);
}

TEST(ConsoleScrolling, AFullListLosesItsFirstLine) {
    ASSERT_EQ(r_ConsoleInit(3, 2, 32), 0);
    for (const char* text : {"A", "B", "C"}) r_ConsolePrintLine(text);
    EXPECT_EQ(r_ConsolePrintLine("D"), 3);
    EXPECT_STREQ(r_ConsoleGetLine(0), "B");
    EXPECT_STREQ(r_ConsoleGetLine(1), "C");
    EXPECT_STREQ(r_ConsoleGetLine(2), "D");
    EXPECT_EQ(r_ConsoleGetLine(3), nullptr);

    // History scrolls the same way: three commands in two places keep the last two.
    for (const char* text : {"one", "two", "three"}) EnterCommand(text);
    r_ConsoleAddChar(kUp);
    EXPECT_EQ(Command(), "three_");
    r_ConsoleAddChar(kUp);
    EXPECT_EQ(Command(), "two_");
    r_ConsoleAddChar(kUp);
    EXPECT_EQ(Command(), "two_");
    r_ConsoleDeInit();
}

TEST_F(ConsoleTest, TypingEditingAndTheLengthLimit) {
    Type("ab");
    EXPECT_EQ(Command(), "ab_");
    r_ConsoleAddChar(kBackspace);
    EXPECT_EQ(Command(), "a_");
    r_ConsoleAddChar(kBackspace);
    r_ConsoleAddChar(kBackspace);  // on an empty line: nothing changes
    EXPECT_EQ(Command(), "_");
    r_ConsoleAddChar(0x100 + 'z');  // only the low byte counts
    r_ConsoleAddChar(10);           // control codes without a meaning are ignored
    r_ConsoleAddChar(0xE9);         // codes up to 255 are characters
    EXPECT_EQ(Command(), "z\xE9_");
    r_ConsoleAddChar(kClear);
    EXPECT_EQ(Command(), "_");

    Type(std::string(300, 'k'));
    EXPECT_EQ(Command(), std::string(254, 'k') + "_");
    r_ConsoleAddChar(kBackspace);
    r_ConsoleAddChar('m');
    EXPECT_EQ(Command(), std::string(253, 'k') + "m_");
}

TEST_F(ConsoleTest, EnterHandsTheCommandOverAndEchoesIt) {
    r_ConsoleAddChar(kEnter);  // empty line: no command
    EXPECT_EQ(r_ConsoleHasCommandAvailable(), 0);
    EXPECT_EQ(r_ConsoleGetLine(0), nullptr);

    Type("dir maps");
    r_ConsoleAddChar(kEnter);
    EXPECT_EQ(r_ConsoleHasCommandAvailable(), 1);
    EXPECT_EQ(Command(), "dir maps");
    EXPECT_STREQ(r_ConsoleGetLine(0), "dir maps");
    EXPECT_EQ(r_ConsoleCommandAccepted(), 0);
    EXPECT_EQ(r_ConsoleHasCommandAvailable(), 0);
    EXPECT_EQ(Command(), "_");
}

TEST_F(ConsoleTest, CursorCharacter) {
    Type("ab");
    r_ConsoleSetCursorCharacter(10);
    EXPECT_EQ(Command(), "ab_");
    r_ConsoleSetCursorCharacter(256 + '#');
    EXPECT_EQ(Command(), "ab_");
    r_ConsoleSetCursorCharacter('#');
    EXPECT_EQ(Command(), "ab#");
    r_ConsoleAddChar('c');
    EXPECT_EQ(Command(), "abc#");
    // A command waiting for the interpreter is not changed.
    r_ConsoleAddChar(kEnter);
    r_ConsoleSetCursorCharacter('*');
    EXPECT_EQ(Command(), "abc");
    r_ConsoleCommandAccepted();
    EXPECT_EQ(Command(), "*");
}

TEST_F(ConsoleTest, HistoryUpAndDown) {
    r_ConsoleAddChar(kUp);  // no history yet: the input line stays empty
    EXPECT_EQ(Command(), "_");
    EnterCommand("first");
    EnterCommand("second");
    r_ConsoleAddChar(kUp);
    EXPECT_EQ(Command(), "second_");
    r_ConsoleAddChar(kUp);
    EXPECT_EQ(Command(), "first_");
    r_ConsoleAddChar(kUp);
    EXPECT_EQ(Command(), "first_");
    r_ConsoleAddChar(kDown);
    EXPECT_EQ(Command(), "second_");
    r_ConsoleAddChar(kDown);
    EXPECT_EQ(Command(), "second_");
    // A recalled entry is edited like typed text and entered again.
    r_ConsoleAddChar(kBackspace);
    Type("ND");
    r_ConsoleAddChar(kEnter);
    EXPECT_EQ(Command(), "seconND");
    r_ConsoleCommandAccepted();
    // Right after Enter the cursor is past the newest entry: down shows nothing.
    Type("draft");
    r_ConsoleAddChar(kDown);
    EXPECT_EQ(Command(), "_");
    r_ConsoleAddChar(kUp);
    EXPECT_EQ(Command(), "seconND_");
}

TEST(ConsoleHistory, AFullHistoryNeverReadsPastItsEnd) {
    ASSERT_EQ(r_ConsoleInit(4, 2, 16), 0);
    EnterCommand("aa");
    EnterCommand("bb");
    EnterCommand("cc");
    r_ConsoleAddChar(kDown);
    EXPECT_EQ(Command(), "_");
    r_ConsoleAddChar(kUp);
    EXPECT_EQ(Command(), "cc_");
    r_ConsoleDeInit();
}

TEST_F(ConsoleTest, ClearForgetsLinesHistoryAndInput) {
    r_ConsolePrintLine("line");
    EnterCommand("cmd");
    Type("half");
    r_ConsoleClear();
    EXPECT_EQ(r_ConsoleGetLine(0), nullptr);
    EXPECT_EQ(Command(), "_");
    r_ConsoleAddChar(kUp);
    EXPECT_EQ(Command(), "_");
    EXPECT_EQ(r_ConsolePrintLine("new"), 1);
}

TEST(ConsoleSizes, TinyAndEmptyConsolesStaySafe) {
    ASSERT_EQ(r_ConsoleInit(0, 0, 0), 0);
    Type("abc");
    EXPECT_EQ(Command(), "_");
    EXPECT_EQ(r_ConsolePrintLine("x"), 0);
    ASSERT_EQ(r_ConsoleInit(-1, -1, 3), 0);
    Type("abc");
    EXPECT_EQ(Command(), "a_");
    r_ConsoleAddChar(kEnter);
    EXPECT_EQ(r_ConsoleHasCommandAvailable(), 1);
    EXPECT_EQ(r_ConsoleGetLine(0), nullptr);
    r_ConsoleAddChar(kUp);
    r_ConsoleDeInit();
}

}  // namespace
