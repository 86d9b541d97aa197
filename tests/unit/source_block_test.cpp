// Sources streamed in pieces: the block must not depend on where the pieces
// are cut, and a source that is not text must leave the merged text as it
// was before it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "block.h"
#include "errors.h"
#include "huge_source.h"
#include "merged_text_store.h"
#include "source_reader.h"
#include "temp_dir.h"
#include "watchdog.h"

namespace velmor {
namespace {

using namespace std::string_literals;
using testing::TempDir;

const ByteCount pieceSizes[] = {1, 2, 3, 7, SourceReader::defaultPieceSize};

const std::string earlier = "earlier\r\n\r\n";  // the block of a source before

struct Merged {
    std::string text;
    std::string message;  // of the error the append ended with
};

// Appends an earlier source's block, then the source at `path` streamed in
// pieces of `pieceSize`, to a real merged text.
Merged mergeAfterAnother(const std::string& path, ByteCount pieceSize)
{
    MergedTextStore store;
    store.Append(Block("earlier"));
    SourceReader reader(pieceSize);
    Merged out;
    try {
        reader.open(path);
        store.Append(sourceBlock(reader));
    } catch (const Exception& e) {
        out.message = e.what();
    }
    out.text = std::string(store.bytes(0, store.size()));
    return out;
}

struct PieceCase {
    const char* name;
    std::string source;
    std::optional<std::string> block;  // nullopt: not 8-bit text
};

TEST(SourceBlockTest, BlockDoesNotDependOnWherePiecesAreCut)
{
    const std::string crlfText = "[Event \"x\"]\r\n\r\n1. e4 e5\r\n";
    const PieceCase cases[] = {
        {"CR LF split at every place", "ab\r\ncd\r\nefg\r\nh", "ab\r\ncd\r\nefg\r\nh\r\n"s},
        {"lone CR at a piece end", "ab\rcd\refgh\rij", "ab\r\ncd\r\nefgh\r\nij\r\n"s},
        {"CR CR and LF CR", "a\r\rb\n\rc", "a\r\n\r\nb\r\n\r\nc\r\n"s},
        {"lone CR ends the source", "abcdef\r", "abcdef\r\n"s},
        {"CR LF ends the source", "abcdef\r\n", "abcdef\r\n"s},
        {"text already CR LF passes unchanged", crlfText, crlfText},
        {"NUL padding running on into later pieces", "abc\r\0\0\0\0\0\0\0\0\0\0\0"s, "abc\r\n"s},
        {"NUL padding from a piece start", "abcdefg\0\0\0\0\0\0\0"s, "abcdefg\r\n"s},
        {"only NULs", std::string(20, '\0'), ""s},
        {"a byte after NULs in a later piece", "ab\r\n\0\0\0\0\0\0\0\0\0\0\0\0x"s, std::nullopt},
        {"a byte right after the first NUL", "ab\0c"s, std::nullopt},
        {"UTF-16 LE", "\xFF\xFE[\0E\0\r\0\n\0"s, std::nullopt},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const auto path = dir.write("source.pgn", c.source);
        for (const ByteCount pieceSize : pieceSizes) {
            const Merged merged = mergeAfterAnother(path, pieceSize);
            if (c.block) {
                EXPECT_EQ(merged.message, "") << c.name << ", pieces of " << pieceSize;
                EXPECT_EQ(merged.text, earlier + *c.block + "\r\n") << c.name << ", pieces of " << pieceSize;
            } else {
                EXPECT_EQ(merged.message, withPath(messages::notText, path)) << c.name << ", pieces of " << pieceSize;
                EXPECT_EQ(merged.text, earlier) << c.name << ", pieces of " << pieceSize;
            }
        }
    }
}

TEST(SourceBlockTest, RandomSourcesInRandomPiecesMatchTheWholeSourceBlock)
{
    std::mt19937 random(20261212);
    const char alphabet[] = {'a', '\r', '\n', '\r', '\n', '\0', '\x80'};
    TempDir dir;
    for (int round = 0; round < 300; ++round) {
        std::string source;
        for (int i = static_cast<int>(random() % 40); i > 0; --i)
            source += alphabet[random() % sizeof alphabet];
        const auto path = dir.write("source.pgn", source);
        const ByteCount pieceSize = random() % 9 + 1;
        const std::optional<std::string_view> text = textOf(source);
        const Merged merged = mergeAfterAnother(path, pieceSize);
        const std::string expected = text ? earlier + Block(*text).bytes() + "\r\n" : earlier;
        ASSERT_EQ(merged.text, expected) << "source #" << round << ", pieces of " << pieceSize;
        ASSERT_EQ(merged.message.empty(), text.has_value()) << "source #" << round;
    }
}

struct SparseCase {
    const char* name;
    std::vector<std::pair<off_t, std::string>> writes;  // into 1 TiB of holes
    std::optional<std::string> block;
};

TEST(SourceBlockTest, SparseFilesAreDecidedWithoutReadingTheirHoles)
{
    testing::Watchdog watchdog("merging 1 TiB sparse files");
    const off_t middle = testing::hugeSourceSize / 2;
    const SparseCase cases[] = {
        {"holes only", {}, ""s},
        {"text, then holes", {{0, "1. d4\n"}}, "1. d4\r\n"s},
        {"NULs written among the holes", {{middle, "\0\0\0"s}}, ""s},
        {"text, holes, NULs written, holes", {{0, "1. d4\n"}, {middle, "\0\0"s}}, "1. d4\r\n"s},
        {"a byte among the holes", {{middle, "x"}}, std::nullopt},
        {"a byte near the very end", {{0, "1. d4\n"}, {testing::hugeSourceSize - 3, "x"}}, std::nullopt},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const auto path = dir.path("sparse.pgn");
        ::unlink(path.c_str());
        ASSERT_TRUE(testing::makeHugeSource(path)) << c.name;
        for (const auto& [at, text] : c.writes)
            ASSERT_TRUE(testing::makeHugeSource(path, text, at)) << c.name;
        for (const ByteCount pieceSize : {ByteCount{1}, ByteCount{7}, SourceReader::defaultPieceSize}) {
            const Merged merged = mergeAfterAnother(path, pieceSize);
            const std::string expected = c.block ? earlier + *c.block + "\r\n" : earlier;
            EXPECT_EQ(merged.text, expected) << c.name << ", pieces of " << pieceSize;
            EXPECT_EQ(merged.message, c.block ? "" : withPath(messages::notText, path))
                << c.name << ", pieces of " << pieceSize;
        }
    }
}

std::string readAll(SourceReader& reader)
{
    std::string all;
    for (auto piece = reader.next(); !piece.empty(); piece = reader.next())
        all.append(piece);
    return all;
}

TEST(SourceReaderTest, ReadingStopsAtTheSizeTakenAtOpenOrWhereTheFileWasCut)
{
    TempDir dir;
    const std::string bytes = "0123456789abcdefghij";
    const auto path = dir.write("s.pgn", bytes);
    SourceReader reader(7);

    reader.open(path);
    EXPECT_EQ(reader.size(), bytes.size());
    EXPECT_EQ(reader.next(), "0123456");
    ASSERT_EQ(::truncate(path.c_str(), 10), 0);  // shrinks while read
    EXPECT_EQ(readAll(reader), "789");
    EXPECT_EQ(reader.position(), 10u);
    EXPECT_EQ(reader.size(), bytes.size());

    dir.write("s.pgn", bytes);
    reader.open(path);
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);  // grows while read
        ASSERT_EQ(::write(fd, "klmnop", 6), 6);
        ::close(fd);
    }
    EXPECT_EQ(readAll(reader), bytes);
    EXPECT_TRUE(reader.restIsNul());
}

TEST(SourceReaderTest, StreamsAreReadToTheirEndUnderTheirName)
{
    const PieceCase cases[] = {
        {"CR LF split between pieces", "ab\r\ncd", "ab\r\ncd\r\n"s},
        {"NUL padding", "ab\n\0\0\0\0\0"s, "ab\r\n"s},
        {"a byte after NULs", "ab\0\0\0\0\0x"s, std::nullopt},
    };
    for (const auto& c : cases) {
        int ends[2];
        ASSERT_EQ(::pipe(ends), 0);
        ASSERT_EQ(::write(ends[1], c.source.data(), c.source.size()), static_cast<ssize_t>(c.source.size()));
        ::close(ends[1]);
        SourceReader reader(3);
        reader.openStream(ends[0], "standard input");
        EXPECT_EQ(reader.size(), std::nullopt);
        std::string block;
        std::string message;
        try {
            block = sourceBlock(reader).bytes();
        } catch (const ENotTextFile& e) {
            message = e.what();
        }
        EXPECT_EQ(block, c.block.value_or("")) << c.name;
        EXPECT_EQ(message, c.block ? "" : "File standard input is not an 8-bit text file") << c.name;
        reader.close();
        EXPECT_NE(::fcntl(ends[0], F_GETFD), -1) << "the stream stays open";
        ::close(ends[0]);
    }
}

TEST(SourceReaderTest, FailuresToOpenOrToGetTheBufferCarryTheirMessages)
{
    TempDir dir;
    const auto path = dir.write("s.pgn", "x");
    SourceReader reader;
    EXPECT_THROW(reader.open(dir.path("missing.pgn")), EFOpenError);
    EXPECT_THROW(reader.open(dir.path("")), EFOpenError);  // the folder itself
    reader.open(path);
    EXPECT_EQ(readAll(reader), "x");

    SourceReader tooLarge(ByteCount{1} << 62);
    EXPECT_THROW(tooLarge.open(path), EOutOfMemory);
}

}  // namespace
}  // namespace velmor
