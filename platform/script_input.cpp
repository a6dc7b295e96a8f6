// Scripted keyboard and mouse input for deterministic runs.
//
// A script holds one event a line, counted in presented frames:
//   FRAME key NAME down|up     a DirectInput key name (case ignored)
//   FRAME type TEXT            types TEXT (the rest of the line), one key a character
//   FRAME mouse DX DY [DZ]     movement read at that frame (several lines add up)
//   FRAME button N down|up     mouse button 0 to 3
//   # comment                  (whole lines only; blank lines are skipped too)
// A bad line is reported on standard error with its number and skipped.
//
// Typing schedule: character i of a `type` line at frame F is pressed at frame
// F + 2i and released at F + 2i + 1, together with left Shift when the character
// needs it. Every character is thus down for one frame after an all-up frame, so
// a reader comparing this frame's keys with the last frame's sees each character
// as newly pressed exactly once, repeated letters included. Characters map to the
// keys of a US keyboard; '-', '+', '*' and '/' use the numeric pad, whose keys the
// console understands without Shift.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/platform_internal.h"

namespace {

struct KeyName {
    const char* name;
    int code;
};

// DirectInput scan codes, with the alias names DirectInput also defines.
constexpr KeyName kKeyNames[] = {
    {"ESCAPE", 0x01},      {"1", 0x02},          {"2", 0x03},           {"3", 0x04},           {"4", 0x05},
    {"5", 0x06},           {"6", 0x07},          {"7", 0x08},           {"8", 0x09},           {"9", 0x0A},
    {"0", 0x0B},           {"MINUS", 0x0C},      {"EQUALS", 0x0D},      {"BACK", 0x0E},        {"BACKSPACE", 0x0E},
    {"TAB", 0x0F},         {"Q", 0x10},          {"W", 0x11},           {"E", 0x12},           {"R", 0x13},
    {"T", 0x14},           {"Y", 0x15},          {"U", 0x16},           {"I", 0x17},           {"O", 0x18},
    {"P", 0x19},           {"LBRACKET", 0x1A},   {"RBRACKET", 0x1B},    {"RETURN", 0x1C},      {"LCONTROL", 0x1D},
    {"A", 0x1E},           {"S", 0x1F},          {"D", 0x20},           {"F", 0x21},           {"G", 0x22},
    {"H", 0x23},           {"J", 0x24},          {"K", 0x25},           {"L", 0x26},           {"SEMICOLON", 0x27},
    {"APOSTROPHE", 0x28},  {"GRAVE", 0x29},      {"LSHIFT", 0x2A},      {"BACKSLASH", 0x2B},   {"Z", 0x2C},
    {"X", 0x2D},           {"C", 0x2E},          {"V", 0x2F},           {"B", 0x30},           {"N", 0x31},
    {"M", 0x32},           {"COMMA", 0x33},      {"PERIOD", 0x34},      {"SLASH", 0x35},       {"RSHIFT", 0x36},
    {"MULTIPLY", 0x37},    {"NUMPADSTAR", 0x37}, {"LMENU", 0x38},       {"LALT", 0x38},        {"SPACE", 0x39},
    {"CAPITAL", 0x3A},     {"CAPSLOCK", 0x3A},   {"F1", 0x3B},          {"F2", 0x3C},          {"F3", 0x3D},
    {"F4", 0x3E},          {"F5", 0x3F},         {"F6", 0x40},          {"F7", 0x41},          {"F8", 0x42},
    {"F9", 0x43},          {"F10", 0x44},        {"NUMLOCK", 0x45},     {"SCROLL", 0x46},      {"NUMPAD7", 0x47},
    {"NUMPAD8", 0x48},     {"NUMPAD9", 0x49},    {"SUBTRACT", 0x4A},    {"NUMPADMINUS", 0x4A}, {"NUMPAD4", 0x4B},
    {"NUMPAD5", 0x4C},     {"NUMPAD6", 0x4D},    {"ADD", 0x4E},         {"NUMPADPLUS", 0x4E},  {"NUMPAD1", 0x4F},
    {"NUMPAD2", 0x50},     {"NUMPAD3", 0x51},    {"NUMPAD0", 0x52},     {"DECIMAL", 0x53},     {"NUMPADPERIOD", 0x53},
    {"F11", 0x57},         {"F12", 0x58},        {"NUMPADENTER", 0x9C}, {"RCONTROL", 0x9D},    {"DIVIDE", 0xB5},
    {"NUMPADSLASH", 0xB5}, {"SYSRQ", 0xB7},      {"RMENU", 0xB8},       {"RALT", 0xB8},        {"PAUSE", 0xC5},
    {"HOME", 0xC7},        {"UP", 0xC8},         {"UPARROW", 0xC8},     {"PRIOR", 0xC9},       {"PGUP", 0xC9},
    {"LEFT", 0xCB},        {"LEFTARROW", 0xCB},  {"RIGHT", 0xCD},       {"RIGHTARROW", 0xCD},  {"END", 0xCF},
    {"DOWN", 0xD0},        {"DOWNARROW", 0xD0},  {"NEXT", 0xD1},        {"PGDN", 0xD1},        {"INSERT", 0xD2},
    {"DELETE", 0xD3},      {"LWIN", 0xDB},       {"RWIN", 0xDC},        {"APPS", 0xDD},
};

constexpr int kLeftShift = 0x2A;

// One key to press for a typed character, and whether Shift goes with it.
struct TypedKey {
    int code;  // -1: the character cannot be typed
    bool shift;
};

TypedKey KeyForCharacter(char c) {
    if (c >= 'a' && c <= 'z') {
        char name[2] = {static_cast<char>(c - 'a' + 'A'), 0};
        return {plat_KeyCodeFromName(name), false};
    }
    if (c >= 'A' && c <= 'Z') {
        char name[2] = {c, 0};
        return {plat_KeyCodeFromName(name), true};
    }
    if (c >= '1' && c <= '9') return {0x02 + (c - '1'), false};
    switch (c) {
        case '0':
            return {0x0B, false};
        case '!':
            return {0x02, true};
        case '@':
            return {0x03, true};
        case '#':
            return {0x04, true};
        case '$':
            return {0x05, true};
        case '%':
            return {0x06, true};
        case '^':
            return {0x07, true};
        case '&':
            return {0x08, true};
        case '(':
            return {0x0A, true};
        case ')':
            return {0x0B, true};
        case '-':
            return {0x4A, false};  // numeric pad
        case '+':
            return {0x4E, false};  // numeric pad
        case '*':
            return {0x37, false};  // numeric pad
        case '/':
            return {0xB5, false};  // numeric pad
        case '_':
            return {0x0C, true};
        case '=':
            return {0x0D, false};
        case '[':
            return {0x1A, false};
        case ']':
            return {0x1B, false};
        case '{':
            return {0x1A, true};
        case '}':
            return {0x1B, true};
        case ';':
            return {0x27, false};
        case ':':
            return {0x27, true};
        case '\'':
            return {0x28, false};
        case '"':
            return {0x28, true};
        case '`':
            return {0x29, false};
        case '~':
            return {0x29, true};
        case '\\':
            return {0x2B, false};
        case '|':
            return {0x2B, true};
        case ',':
            return {0x33, false};
        case '<':
            return {0x33, true};
        case '.':
            return {0x34, false};
        case '>':
            return {0x34, true};
        case '?':
            return {0x35, true};
        case ' ':
            return {0x39, false};
        case '\t':
            return {0x0F, false};
        default:
            return {-1, false};
    }
}

struct KeyEvent {
    long frame;
    int code;  // scan code 0 to 255, or 256 + button for mouse buttons
    bool down;
};

struct MouseEvent {
    long frame;
    int dx, dy, dz;
};

constexpr int kButtonBase = 256;

struct Script {
    bool loaded = false;
    std::vector<KeyEvent> keys;     // key and button events, sorted by frame, file order kept
    std::vector<MouseEvent> mouse;  // movement, sorted by frame
    // Replay state: keys as they stand after every event up to appliedFrame.
    uint8_t state[256 + 4] = {};
    size_t nextEvent = 0;
    long appliedFrame = -1;
};

Script g_script;

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

// Takes the next blank-separated word off the front of text.
std::string_view NextWord(std::string_view& text) {
    text = Trim(text);
    size_t end = 0;
    while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
    std::string_view word = text.substr(0, end);
    text.remove_prefix(end);
    return word;
}

bool SameWord(std::string_view a, const char* b) {
    const size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool ParseLong(std::string_view word, long minimum, long maximum, long* value) {
    if (word.empty() || word.size() > 20) return false;
    char text[24];
    std::memcpy(text, word.data(), word.size());
    text[word.size()] = 0;
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || *end != 0 || parsed < minimum || parsed > maximum) return false;
    *value = parsed;
    return true;
}

bool ParseUpDown(std::string_view word, bool* down) {
    if (SameWord(word, "down"))
        *down = true;
    else if (SameWord(word, "up"))
        *down = false;
    else
        return false;
    return true;
}

constexpr long kMaxFrame = 1L << 40;
constexpr long kMaxMove = 1L << 20;

// Parses one line into the script; returns null or the reason it is bad.
const char* ParseLine(std::string_view line, Script& script) {
    long frame = 0;
    if (!ParseLong(NextWord(line), 0, kMaxFrame, &frame)) return "expected a frame number";
    const std::string_view verb = NextWord(line);

    if (SameWord(verb, "key") || SameWord(verb, "button")) {
        const bool isKey = SameWord(verb, "key");
        const std::string_view name = NextWord(line);
        bool down = false;
        if (!ParseUpDown(NextWord(line), &down)) return "expected down or up";
        if (!Trim(line).empty()) return "unexpected text after down or up";
        int code = -1;
        if (isKey) {
            char text[32];
            if (name.size() >= sizeof text) return "unknown key name";
            std::memcpy(text, name.data(), name.size());
            text[name.size()] = 0;
            code = plat_KeyCodeFromName(text);
            if (code < 0) return "unknown key name";
        } else {
            long button = 0;
            if (!ParseLong(name, 0, 3, &button)) return "expected a mouse button 0 to 3";
            code = kButtonBase + static_cast<int>(button);
        }
        script.keys.push_back({frame, code, down});
        return nullptr;
    }
    if (SameWord(verb, "type")) {
        const std::string_view text = Trim(line);
        if (text.empty()) return "nothing to type";
        for (char c : text)
            if (KeyForCharacter(c).code < 0) return "character cannot be typed";
        for (size_t i = 0; i < text.size(); ++i) {
            const TypedKey key = KeyForCharacter(text[i]);
            const long press = frame + 2 * static_cast<long>(i);
            if (key.shift) script.keys.push_back({press, kLeftShift, true});
            script.keys.push_back({press, key.code, true});
            script.keys.push_back({press + 1, key.code, false});
            if (key.shift) script.keys.push_back({press + 1, kLeftShift, false});
        }
        return nullptr;
    }
    if (SameWord(verb, "mouse")) {
        long move[3] = {0, 0, 0};
        for (int axis = 0; axis < 2; ++axis)
            if (!ParseLong(NextWord(line), -kMaxMove, kMaxMove, &move[axis])) return "expected mouse movement DX DY";
        const std::string_view wheel = NextWord(line);
        if (!wheel.empty() && !ParseLong(wheel, -kMaxMove, kMaxMove, &move[2])) return "bad wheel movement";
        if (!Trim(line).empty()) return "unexpected text after the movement";
        script.mouse.push_back(
            {frame, static_cast<int>(move[0]), static_cast<int>(move[1]), static_cast<int>(move[2])});
        return nullptr;
    }
    return "expected key, type, mouse or button";
}

void ParseScript(const char* path, std::string_view text, Script& script) {
    int number = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        line = Trim(line);
        if (line.empty() || line.front() == '#') continue;
        if (const char* problem = ParseLine(line, script))
            std::fprintf(stderr, "%s:%d: %s, line skipped: %.*s\n", path, number, problem,
                         static_cast<int>(line.size() > 200 ? 200 : line.size()), line.data());
    }
    std::stable_sort(script.keys.begin(), script.keys.end(),
                     [](const KeyEvent& a, const KeyEvent& b) { return a.frame < b.frame; });
    std::stable_sort(script.mouse.begin(), script.mouse.end(),
                     [](const MouseEvent& a, const MouseEvent& b) { return a.frame < b.frame; });
}

// Brings the replay state to the given frame (back to the start when the frame
// count went backwards, which only a new run does).
void ReplayTo(long frame) {
    Script& s = g_script;
    if (frame < s.appliedFrame) {
        std::memset(s.state, 0, sizeof s.state);
        s.nextEvent = 0;
    }
    while (s.nextEvent < s.keys.size() && s.keys[s.nextEvent].frame <= frame) {
        const KeyEvent& event = s.keys[s.nextEvent++];
        s.state[event.code] = event.down ? 0x80 : 0;
    }
    s.appliedFrame = frame;
}

}  // namespace

namespace plat_internal {

void ClearScript() { g_script = Script{}; }

bool LoadScript(const char* path) {
    ClearScript();
    FILE* file = std::fopen(path, "rb");
    if (!file) {
        std::fprintf(stderr, "Cannot read the input script %s: %s\n", path, std::strerror(errno));
        return false;
    }
    std::string text;
    char chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        std::fprintf(stderr, "Cannot read the input script %s\n", path);
        return false;
    }
    ParseScript(path, text, g_script);
    g_script.loaded = true;
    return true;
}

}  // namespace plat_internal

int plat_HasScript(void) { return g_script.loaded ? 1 : 0; }

void plat_ScriptKeys(uint8_t keys[256]) {
    if (!keys) return;
    ReplayTo(plat_PresentedFrames());
    std::memcpy(keys, g_script.state, 256);
}

void plat_ScriptMouse(int* dx, int* dy, int* dz, uint8_t buttons[4]) {
    const long frame = plat_PresentedFrames();
    long long move[3] = {0, 0, 0};
    const auto& mouse = g_script.mouse;
    auto it = std::lower_bound(mouse.begin(), mouse.end(), frame,
                               [](const MouseEvent& event, long f) { return event.frame < f; });
    for (; it != mouse.end() && it->frame == frame; ++it) {
        move[0] += it->dx;
        move[1] += it->dy;
        move[2] += it->dz;
    }
    constexpr long long kLimit = 1 << 30;  // many lines on one frame cannot overflow an int
    for (long long& axis : move) axis = std::clamp(axis, -kLimit, kLimit);
    if (dx) *dx = static_cast<int>(move[0]);
    if (dy) *dy = static_cast<int>(move[1]);
    if (dz) *dz = static_cast<int>(move[2]);
    if (buttons) {
        ReplayTo(frame);
        std::memcpy(buttons, g_script.state + kButtonBase, 4);
    }
}

int plat_KeyCodeFromName(const char* name) {
    if (!name) return -1;
    std::string_view wanted(name);
    if (wanted.size() > 4 && SameWord(wanted.substr(0, 4), "DIK_")) wanted.remove_prefix(4);
    for (const KeyName& key : kKeyNames)
        if (SameWord(wanted, key.name)) return key.code;
    return -1;
}
