// Source bytes to block bytes: how line ends are rewritten and where a
// source's text ends.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "block.h"

namespace velmor {
namespace {

using namespace std::string_literals;

struct BlockCase {
    const char* name;
    std::string source;
    std::optional<std::string> block;  // nullopt: not 8-bit text
};

std::optional<std::string> blockOf(const std::string& source)
{
    const auto text = textOf(source);
    if (!text)
        return std::nullopt;
    return Block(*text).bytes();
}

TEST(BlockTest, RewritesLineEndsAndEndsTextAtNul)
{
    const BlockCase cases[] = {
        {"empty source", "", ""s},
        {"no line end after last line", "a\r\nb", "a\r\nb\r\n"s},
        {"CR only", "a\rb\r", "a\r\nb\r\n"s},
        {"LF only", "a\nb\n", "a\r\nb\r\n"s},
        {"LF then CR is two line ends", "a\n\rb", "a\r\n\r\nb\r\n"s},
        {"CR CR LF", "a\r\r\nb", "a\r\n\r\nb\r\n"s},
        {"single line end", "\r\n", "\r\n"s},
        {"single line", "x", "x\r\n"s},
        {"trailing lone CR", "a\r", "a\r\n"s},
        {"blank lines kept", "\n\n\r\r", "\r\n\r\n\r\n\r\n"s},
        {"NUL padding ends the text", "a\r\nb\0\0\0"s, "a\r\nb\r\n"s},
        {"first byte NUL then padding", "\0\0"s, ""s},
        {"bytes after NUL: not text", "a\r\nb\0c\r\n"s, std::nullopt},
        {"UTF-16 LE with BOM: not text", "\xFF\xFE\x41\0\x42\0"s, std::nullopt},
        {"UTF-16 BE with BOM: not text", "\xFE\xFF\0\x41\0\x42"s, std::nullopt},
        {"high bytes, tab and 0x1A pass", "\x80\xFF\t\x1A\r\n"s, "\x80\xFF\t\x1A\r\n"s},
    };
    for (const auto& c : cases)
        EXPECT_EQ(blockOf(c.source), c.block) << c.name;
}

TEST(BlockTest, LongRunsAndManyShortLinesGiveTheSameBytesAsSmallOnes)
{
    // Long stretches that need no change pass straight through, short lines
    // are gathered: both must join seamlessly.
    const std::string line = std::string(70 * 1024, 'x');
    const std::string source = line + "\r\n" + line + "\n" + std::string(200000, '\n') + line;
    const std::string expected = line + "\r\n" + line + "\r\n" + [] {
        std::string s;
        for (int i = 0; i < 200000; ++i)
            s += "\r\n";
        return s;
    }() + line + "\r\n";
    EXPECT_EQ(Block(source).bytes(), expected);
}

// An independent byte-by-byte model of how a source becomes a block.
std::string modelBlock(const std::string& source)
{
    std::string out;
    bool inLine = false;
    bool afterCr = false;
    for (char c : source) {
        if (c == '\0')
            break;
        if (c == '\n' && afterCr) {
            afterCr = false;
            continue;
        }
        afterCr = c == '\r';
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            inLine = false;
        } else {
            out += c;
            inLine = true;
        }
    }
    if (inLine)
        out += "\r\n";
    return out;
}

TEST(BlockTest, RandomTextsMatchAByteByByteModel)
{
    std::mt19937 random(20261211);
    const char alphabet[] = {'a', 'b', '\r', '\n', '\t', '\x80'};
    for (int round = 0; round < 2000; ++round) {
        std::string source;
        const int length = static_cast<int>(random() % 60);
        for (int i = 0; i < length; ++i)
            source += alphabet[random() % sizeof alphabet];
        if (random() % 4 == 0)
            source += std::string(random() % 5 + 1, '\0');
        ASSERT_EQ(blockOf(source), modelBlock(source)) << "source #" << round;
    }
}

}  // namespace
}  // namespace velmor
