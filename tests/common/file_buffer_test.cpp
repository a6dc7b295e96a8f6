#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/file_buffer.h"

namespace fs = std::filesystem;

namespace {

struct IntCase {
    const char* text;
    int value;
    int consumed;
};
struct FloatCase {
    const char* text;
    double value;
    int consumed;
};

struct TempDir {
    fs::path path = [] {
        char pattern[] = "/tmp/tessaly_fb_XXXXXX";
        return fs::path(mkdtemp(pattern));
    }();
    ~TempDir() { fs::remove_all(path); }
    fs::path operator/(const char* name) const { return path / name; }
};

void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace

TEST(ParseInt, ValuesAndConsumedLengths) {
    const IntCase cases[] = {
        {"  -12,", -12, 5},                       // sign counts, the comma does not
        {"  ]", 0, 2},                            // end of a bracketed list
        {"a7b", 7, 2},      {"12e3 ", 12000, 4},  // the 'e' belongs to the number
        {"1500e-3", 1, 7},                        // negative exponents divide in integers
        {"7e,5", 7, 1},                           // no exponent digits: the 'e' is text
        {"1e2e3", 100, 3},                        // an exponent carries no exponent of its own
        {"", 0, 0},         {"no digits", 0, 9},  // stops at the terminating zero
        {"--5", 0, 1},      {"99999999999", INT_MAX, 11}, {"-99999999999", INT_MIN, 12}, {"3e99", INT_MAX, 4},
        {"5e-99", 0, 5},
    };
    for (const IntCase& c : cases) {
        int consumed = -1;
        EXPECT_EQ(FileBuffer::ParseInt(c.text, consumed), c.value) << "'" << c.text << "'";
        EXPECT_EQ(consumed, c.consumed) << "'" << c.text << "'";
    }
}

TEST(ParseFloat, ValuesAndConsumedLengths) {
    const FloatCase cases[] = {
        {"x=3.25", 3.25, 6},
        {"0.5e1", 5.0, 5},
        {"1.05", 1.05, 4},
        {"0.000000000000000000001", 1e-21, 23},  // long fractions do not overflow
        {"-2.5e-1,", -0.25, 7},
        {" 0.2 0.2", 0.2, 5},  // the separating space is consumed with the number
        {".5", 0.5, 2},
        {"2.5e", 2.5, 4},  // a bare 'e' at the end is not an exponent
        {"]7", 7.0, 2},    // ']' does not stop this scan
        {"-", 0.0, 1},
        {"none", 0.0, 4},
        {"12345678901234", 12345678901234.0, 14},
    };
    for (const FloatCase& c : cases) {
        int consumed = -1;
        EXPECT_NEAR(FileBuffer::ParseFloat(c.text, consumed), c.value, std::abs(c.value) * 1e-12)
            << "'" << c.text << "'";
        EXPECT_EQ(consumed, c.consumed) << "'" << c.text << "'";
    }
}

TEST(ParseFloat, ReadsSeveralNumbersInTurn) {
    FileBuffer buffer;
    const char* line = "SETAMBIENT 0.2 0.5 1";
    const char* at = line + 10;
    const double expected[3] = {0.2, 0.5, 1.0};
    for (double want : expected) {
        EXPECT_DOUBLE_EQ(buffer.ParseFloatHere(at), want);
        at += buffer.realLength;
        ASSERT_LE(at, line + std::strlen(line));
    }
    EXPECT_EQ(*at, '\0');

    const char* list = "[3, -4]";
    const char* p = list;
    for (int want : {3, -4, 0}) {
        EXPECT_EQ(buffer.ParseIntHere(p), want);
        p += buffer.integerLength;
    }
    EXPECT_EQ(*p, ']');
}

TEST(PatternSearch, FindTextFindInBlockAndChunkIds) {
    EXPECT_EQ(FindText("longer than", "short", 1), -1);
    EXPECT_EQ(FindText("ab", "xxabyyab", 1), 2);
    EXPECT_EQ(FindText("b", "aab", 1), 2);
    // Case-blind: the other case of the pattern lives 32 bytes further on.
    char pattern[64] = {};
    std::memcpy(pattern, "surf", 4);
    std::memcpy(pattern + 32, "SURF", 4);
    EXPECT_EQ(FindText(pattern, "xxSuRfyy", 0), 2);
    EXPECT_EQ(FindText(pattern, "xxSuRfyy", 1), -1);

    const uint8_t block[] = {0, 'P', 'N', 0, 'P', 'N', 'T', 'S', 0};
    EXPECT_EQ(FindInBlock(reinterpret_cast<const uint8_t*>("PNTS"), 4, block, sizeof block, 1), 4);
    EXPECT_EQ(FindInBlock(reinterpret_cast<const uint8_t*>("PNTS"), 4, block, 3, 1), -1);
    EXPECT_FALSE(ChunkIdEquals("FORm", "FORM"));
    EXPECT_EQ(ToUpperAscii('z'), 'Z');
    EXPECT_EQ(ToUpperAscii('{'), '{');
}

TEST(FileBufferLoad, EmptyMissingAndDirectory) {
    TempDir dir;
    WriteFile(dir / "empty.bin", "");
    WriteFile(dir / "four.bin", "ABCD");

    FileBuffer buffer;
    ASSERT_EQ(buffer.Load((dir / "four.bin").c_str()), 0);
    EXPECT_EQ(buffer.size, 4);
    EXPECT_EQ(std::memcmp(buffer.data, "ABCD", 4), 0);

    // A missing file leaves what is loaded alone.
    EXPECT_EQ(buffer.Load((dir / "missing.bin").c_str()), -1);
    EXPECT_EQ(buffer.size, 4);
    EXPECT_STREQ(buffer.fileName, (dir / "four.bin").c_str());

    ASSERT_EQ(buffer.Load((dir / "empty.bin").c_str()), 0);
    EXPECT_EQ(buffer.size, 0);
    EXPECT_EQ(buffer.data, nullptr);

    FileBuffer other;
    fs::create_directories(dir / "sub");
    EXPECT_EQ(other.Load((dir / "sub").c_str()), -1);  // a directory is not a file to read
    EXPECT_EQ(other.size, 0);
    EXPECT_EQ(other.data, nullptr);

    // Names resolve without regard to case.
    WriteFile(dir / "meshes/rock.lwo", "FORM");
    ASSERT_EQ(other.Load((dir / "MESHES/ROCK.LWO").c_str()), 0);
    EXPECT_EQ(other.size, 4);
}

TEST(FileBufferLoad, RealObjectFile) {
    const fs::path path = fs::path(TESSALY_CORPUS_DIR) / "lwob" / "bluewithcylindrictexz.lwo";
    FileBuffer buffer;
    ASSERT_EQ(buffer.Load(path.c_str()), 0);
    EXPECT_EQ(static_cast<uintmax_t>(buffer.size), fs::file_size(path));
    EXPECT_TRUE(ChunkIdEquals(buffer.data, "FORM"));
    EXPECT_TRUE(ChunkIdEquals(buffer.data + 8, "LWOB"));
}
