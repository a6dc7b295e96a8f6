// The engine's text console: a scrolling list of display lines, an input line
// ending in a visible cursor character, and a history of entered commands.
// It only stores and edits text; the application feeds it key codes, draws its
// lines and takes finished commands through the command hand-off.
#include <cstring>
#include <memory>
#include <new>

#include "tessaly/engine_api.h"

namespace {

constexpr unsigned char kDefaultCursor = '_';

// Key codes the application sends for its editing keys.
constexpr int kKeyClear = 1;
constexpr int kKeyBackspace = 8;
constexpr int kKeyEnter = 13;
constexpr int kKeyHistoryUp = 30;
constexpr int kKeyHistoryDown = 31;

// A fixed list of lines, each lineWidth bytes, in one block.
struct LineList {
    std::unique_ptr<char[]> block;
    int capacity = 0;

    char* Line(int index, int lineWidth) { return block.get() + static_cast<size_t>(index) * lineWidth; }
};

struct Console {
    unsigned char cursor = kDefaultCursor;
    int lineWidth = 0;
    LineList display;
    LineList history;
    std::unique_ptr<char[]> input;
    int inputLength = 0;
    int displayCount = 0;
    bool commandAvailable = false;
    int lastHistoryEntry = 0;
    int historyCount = 0;
    int historyCursor = 0;
};

// One console per process: empty until r_ConsoleInit.
Console g_console;

// Returned by r_ConsoleGetCommand while no console exists, so callers always
// get an empty, terminated text.
char g_noCommand[1] = {0};

// Creates a list; a list that cannot be created keeps capacity 0 and the
// console works without it.
void CreateList(LineList& list, int capacity, int lineWidth) {
    list.block.reset();
    list.capacity = 0;
    if (capacity <= 0) return;
    const size_t bytes = static_cast<size_t>(capacity) * static_cast<size_t>(lineWidth);
    list.block.reset(new (std::nothrow) char[bytes]());
    if (list.block) list.capacity = capacity;
}

// Appends text to a list of count lines in use, keeping at most lineWidth - 2
// characters. A full list scrolls: the first line is lost and the new one goes
// last. Returns the index written, or -1 when the list has no room at all.
int AppendLine(LineList& list, int& count, int lineWidth, const char* text) {
    if (list.capacity <= 0) return -1;
    int index = count;
    if (count >= list.capacity) {
        std::memmove(list.Line(0, lineWidth), list.Line(1, lineWidth),
                     static_cast<size_t>(list.capacity - 1) * lineWidth);
        index = list.capacity - 1;
    } else {
        ++count;
    }
    const size_t keep = strnlen(text, static_cast<size_t>(lineWidth - 2));
    char* line = list.Line(index, lineWidth);
    std::memcpy(line, text, keep);
    line[keep] = '\0';
    return index;
}

// Empties the input line: only the cursor character remains.
void ResetInput(Console& c) {
    if (!c.input) return;
    std::memset(c.input.get(), 0, static_cast<size_t>(c.lineWidth));
    c.input[0] = static_cast<char>(c.cursor);
    c.inputLength = 0;
}

// Puts the history entry under the history cursor into the input line. A
// cursor outside the entries in use (no history yet, or one past the newest
// entry right after Enter) reads as an empty entry.
void RecallHistory(Console& c) {
    if (!c.input) return;
    if (c.historyCursor < 0 || c.historyCursor >= c.historyCount || c.historyCursor >= c.history.capacity) {
        ResetInput(c);
        return;
    }
    const char* entry = c.history.Line(c.historyCursor, c.lineWidth);
    std::memset(c.input.get(), 0, static_cast<size_t>(c.lineWidth));
    const size_t length = strnlen(entry, static_cast<size_t>(c.lineWidth - 2));
    std::memcpy(c.input.get(), entry, length);
    c.inputLength = static_cast<int>(length);
    c.input[length] = static_cast<char>(c.cursor);
    c.input[length + 1] = '\0';
}

void Enter(Console& c) {
    if (c.inputLength < 1) return;
    c.input[c.inputLength] = '\0';
    AppendLine(c.display, c.displayCount, c.lineWidth, c.input.get());
    const int written = AppendLine(c.history, c.historyCount, c.lineWidth, c.input.get());
    if (written >= 0) c.lastHistoryEntry = written;
    c.commandAvailable = true;
    c.historyCursor = c.lastHistoryEntry + 1;
}

void Insert(Console& c, char character) {
    if (c.inputLength >= c.lineWidth - 2) return;
    c.input[c.inputLength] = character;
    c.input[c.inputLength + 1] = static_cast<char>(c.cursor);
    c.input[c.inputLength + 2] = '\0';
    ++c.inputLength;
}

void Backspace(Console& c) {
    if (c.inputLength < 1) return;
    --c.inputLength;
    c.input[c.inputLength] = static_cast<char>(c.cursor);
    c.input[c.inputLength + 1] = '\0';
}

}  // namespace

TESSALY_EXPORT int r_ConsoleInit(int displayLines, int historyLines, int lineWidth) {
    // Starts over; only the cursor character chosen earlier is kept.
    const unsigned char cursor = g_console.cursor;
    r_ConsoleDeInit();
    Console& c = g_console;
    c.cursor = cursor;
    // Every line needs room for at least the cursor character and the zero.
    c.lineWidth = lineWidth < 2 ? 2 : lineWidth;
    CreateList(c.display, displayLines, c.lineWidth);
    CreateList(c.history, historyLines, c.lineWidth);
    c.input.reset(new (std::nothrow) char[static_cast<size_t>(c.lineWidth)]());
    if (!c.input) {
        r_ConsoleDeInit();
        return -1;
    }
    ResetInput(c);
    return 0;
}

TESSALY_EXPORT int r_ConsoleDeInit(void) {
    g_console = Console{};
    return 0;
}

TESSALY_EXPORT int r_ConsoleClear(void) {
    Console& c = g_console;
    c.displayCount = 0;
    c.lastHistoryEntry = 0;
    c.historyCount = 0;
    c.historyCursor = 0;
    c.commandAvailable = false;
    // The input line is emptied too, so it never shows text its length no
    // longer counts.
    ResetInput(c);
    return 0;
}

TESSALY_EXPORT int r_ConsoleSetCursorCharacter(int character) {
    if (character < 32 || character > 255) return 0;
    Console& c = g_console;
    c.cursor = static_cast<unsigned char>(character);
    // A command waiting for the interpreter has no cursor; it is left as typed.
    if (c.input && !c.commandAvailable) c.input[c.inputLength] = static_cast<char>(c.cursor);
    return 0;
}

TESSALY_EXPORT int r_ConsolePrintLine(const char* text) {
    Console& c = g_console;
    if (text) AppendLine(c.display, c.displayCount, c.lineWidth, text);
    return c.displayCount;
}

TESSALY_EXPORT int r_ConsoleAddChar(int keyCode) {
    Console& c = g_console;
    if (!c.input) return 0;
    const int code = keyCode & 0xff;
    switch (code) {
        case kKeyClear:
            ResetInput(c);
            break;
        case kKeyBackspace:
            Backspace(c);
            break;
        case kKeyEnter:
            Enter(c);
            break;
        case kKeyHistoryUp:
            if (c.historyCursor > 0) --c.historyCursor;
            RecallHistory(c);
            break;
        case kKeyHistoryDown:
            if (c.historyCursor < c.historyCount - 1) ++c.historyCursor;
            RecallHistory(c);
            break;
        default:
            if (code >= 32) Insert(c, static_cast<char>(code));
            break;
    }
    return 0;
}

TESSALY_EXPORT const char* r_ConsoleGetLine(int index) {
    Console& c = g_console;
    if (index < 0 || index >= c.display.capacity || index >= c.displayCount) return nullptr;
    return c.display.Line(index, c.lineWidth);
}

TESSALY_EXPORT char* r_ConsoleGetCommand(void) {
    Console& c = g_console;
    if (!c.input) {
        g_noCommand[0] = '\0';
        return g_noCommand;
    }
    return c.input.get();
}

TESSALY_EXPORT int r_ConsoleHasCommandAvailable(void) { return g_console.commandAvailable ? 1 : 0; }

TESSALY_EXPORT int r_ConsoleCommandAccepted(void) {
    Console& c = g_console;
    ResetInput(c);
    c.commandAvailable = false;
    return 0;
}
