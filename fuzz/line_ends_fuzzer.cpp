// libFuzzer target for the line splitter and joiner: a source's bytes go
// through textOf and Block, and streamed in pieces (down to one byte)
// through SourceReader and sourceBlock; two sources go through
// MergedTextStore both ways, and every result is compared with a plain
// byte-at-a-time model kept here, so that a fault in the fast paths (memchr
// jumps, gathered pieces, line ends split between pieces, the sparse line
// index) cannot hide behind the same mistake in the reference.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <string_view>
#include <vector>

#include "block.h"
#include "errors.h"
#include "merged_text_store.h"
#include "source_reader.h"

namespace {

using velmor::ByteCount;

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "model mismatch: %s\n", what);
    std::abort();
}

void expect(bool ok, const char* what)
{
    if (!ok)
        fail(what);
}

// --- The model --------------------------------------------------------------

// The model's byte loops are not what is being explored, and tracing their
// comparisons would cost most of the fuzzer's time on stretched inputs.
#define VELMOR_NOT_TRACED __attribute__((no_sanitize("coverage")))

// The length of the source's text, or nullopt when a byte other than NUL
// follows its first NUL.
VELMOR_NOT_TRACED std::optional<std::size_t> modelTextLength(std::string_view source)
{
    std::optional<std::size_t> nulAt;
    for (std::size_t i = 0; i < source.size(); ++i) {
        if (nulAt) {
            if (source[i] != '\0')
                return std::nullopt;
        } else if (source[i] == '\0') {
            nulAt = i;
        }
    }
    return nulAt.value_or(source.size());
}

// Every line of `text` followed by CR LF. A CR remembers that an LF right
// after it belongs to the same line end.
VELMOR_NOT_TRACED std::string modelBlock(std::string_view text)
{
    std::string block(2 * text.size() + 2, '\0');  // at most CR LF per byte, and one more
    std::size_t out = 0;
    bool afterCr = false;
    bool lineOpen = false;
    for (char c : text) {
        const bool joinsCr = afterCr && c == '\n';
        afterCr = false;
        if (joinsCr)
            continue;
        if (c == '\r' || c == '\n') {
            block[out++] = '\r';
            block[out++] = '\n';
            afterCr = c == '\r';
            lineOpen = false;
        } else {
            block[out++] = c;
            lineOpen = true;
        }
    }
    if (lineOpen) {
        block[out++] = '\r';
        block[out++] = '\n';
    }
    block.resize(out);
    return block;
}

// Line starts of a merged text made only of CR LF terminated lines, with the
// end of the text as the last entry.
struct ModelLines {
    std::vector<ByteCount> starts{0};
    ByteCount longest = 0;
};

VELMOR_NOT_TRACED ModelLines modelLines(std::string_view merged)
{
    ModelLines lines;
    ByteCount lineBegin = 0;
    for (ByteCount i = 0; i + 1 < merged.size(); ++i) {
        if (merged[i] == '\r' && merged[i + 1] == '\n') {
            lines.longest = std::max(lines.longest, i - lineBegin);
            lineBegin = i + 2;
            lines.starts.push_back(lineBegin);
            ++i;
        }
    }
    expect(lineBegin == merged.size(), "merged text does not end with CR LF");
    return lines;
}

// --- Checks of the code under test --------------------------------------------

std::string blockBytes(std::string_view text)
{
    std::string gathered;
    gathered.reserve(2 * text.size() + 2);
    velmor::Block(text).write([&gathered](std::string_view piece) { gathered.append(piece); });
    return gathered;
}

// A source file held in memory, which the reader opens by its path.
class SourceFile {
public:
    SourceFile() : fd_(::memfd_create("source", MFD_CLOEXEC)), path_("/proc/self/fd/" + std::to_string(fd_))
    {
        expect(fd_ >= 0, "memfd_create");
    }
    ~SourceFile() { ::close(fd_); }

    const std::string& hold(std::string_view bytes)
    {
        expect(::ftruncate(fd_, 0) == 0, "source file truncate");
        expect(::pwrite(fd_, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size()),
               "source file write");
        return path_;
    }

private:
    int fd_;
    std::string path_;
};

SourceFile& sourceFile()
{
    static SourceFile file;
    return file;
}

// The source streamed through a reader in pieces of `pieceSize`; nullopt
// when the block says the source is not text.
std::optional<std::string> streamedBlock(std::string_view source, ByteCount pieceSize)
{
    velmor::SourceReader reader(pieceSize);
    reader.open(sourceFile().hold(source));
    try {
        return velmor::sourceBlock(reader).bytes();
    } catch (const velmor::ENotTextFile& e) {
        expect(e.what() == velmor::withPath(velmor::messages::notText, reader.name()), "not text: message");
        return std::nullopt;
    }
}

// Checks textOf and Block, and the source streamed in pieces of
// `pieceSize`; returns the model's block, or nullopt for a source that is
// not text.
std::optional<std::string> checkBlock(std::string_view source, ByteCount pieceSize)
{
    const std::optional<std::size_t> textLength = modelTextLength(source);
    const std::optional<std::string_view> actual = velmor::textOf(source);
    expect(textLength.has_value() == actual.has_value(), "textOf: text or not");
    const std::optional<std::string> streamed = streamedBlock(source, pieceSize);
    expect(streamed.has_value() == textLength.has_value(), "sourceBlock: text or not");
    if (!textLength)
        return std::nullopt;
    expect(actual->data() == source.data() && actual->size() == *textLength, "textOf: text bytes");
    const std::string block = modelBlock(*actual);
    expect(blockBytes(*actual) == block, "Block::write bytes");
    expect(velmor::Block(*actual).bytes() == block, "Block::bytes");
    expect(*streamed == block, "sourceBlock bytes");
    return block;
}

// Every line of a small text; of a large one the lines around each point
// of the sparse line index, both ends and a stride in between, which keeps
// the stretched inputs fast.
bool isSampled(ByteCount line, ByteCount count)
{
    constexpr ByteCount indexStep = 64;  // the store indexes every 64th line
    if (count <= 4096 || line < 200 || line + 200 > count)
        return true;
    const ByteCount inStep = line % indexStep;
    return inStep <= 1 || inStep == indexStep - 1 || line % 997 == 0;
}

void checkStore(const velmor::MergedTextStore& store, const std::string& merged)
{
    expect(store.size() == merged.size(), "store size");
    expect(store.bytes(0, merged.size() + 7) == merged, "store bytes");
    const ModelLines lines = modelLines(merged);
    expect(store.lineCount() == lines.starts.size() - 1, "store lineCount");
    expect(store.longestLine() == lines.longest, "store longestLine");
    const ByteCount count = lines.starts.size();
    for (ByteCount line = 0; line < count; ++line) {
        if (isSampled(line, count))
            expect(store.lineStart(line) == lines.starts[line], "store lineStart");
    }
    expect(store.lineStart(lines.starts.size() + 3) == merged.size(), "store lineStart past the end");
    if (!merged.empty()) {
        const ByteCount middle = merged.size() / 2;
        expect(store.bytes(middle, merged.size()) == std::string_view(merged).substr(middle),
               "store bytes clipped at the end");
    }
    expect(store.bytes(merged.size(), 1).empty(), "store bytes at the end");
}

// Appends `block` (from the model) and updates `merged` as the model says:
// a block that does not fit whole leaves the text as it was.
void appendAndCheck(velmor::MergedTextStore& store, std::string_view source,
                    const std::string& block, std::optional<ByteCount> capacity, std::string& merged)
{
    const bool fits = !capacity || merged.size() + block.size() + 2 <= *capacity;
    bool appended = true;
    try {
        store.Append(velmor::Block(*velmor::textOf(source)));
    } catch (const velmor::EOutOfResources&) {
        appended = false;
    }
    expect(appended == fits, "store Append: fits or not");
    if (appended)
        merged += block + "\r\n";
    checkStore(store, merged);
}

// Appends `source` streamed in pieces of `pieceSize`; `block` is the
// model's, nullopt for a source that is not text, which must leave the text
// as it was, as must a block that does not fit whole.
void appendStreamedAndCheck(velmor::MergedTextStore& store, std::string_view source,
                            const std::optional<std::string>& block, ByteCount pieceSize,
                            std::optional<ByteCount> capacity, std::string& merged)
{
    const bool fits = block && (!capacity || merged.size() + block->size() + 2 <= *capacity);
    velmor::SourceReader reader(pieceSize);
    reader.open(sourceFile().hold(source));
    bool appended = true;
    try {
        store.Append(velmor::sourceBlock(reader));
    } catch (const velmor::EOutOfResources&) {
        expect(block.has_value(), "store Append streamed: full, not 'not text'");
        appended = false;
    } catch (const velmor::ENotTextFile&) {
        expect(!block, "store Append streamed: not text");
        appended = false;
    }
    expect(appended == fits, "store Append streamed: fits or not");
    if (appended)
        merged += *block + "\r\n";
    checkStore(store, merged);
}

// Both sources streamed into a store, as a merge run appends them.
void checkStreamedMerge(std::string_view first, std::string_view second, const std::optional<std::string>& block1,
                        const std::optional<std::string>& block2, ByteCount pieceSize,
                        std::optional<ByteCount> capacity)
{
    velmor::MergedTextStore store(capacity);
    std::string merged;
    appendStreamedAndCheck(store, first, block1, pieceSize, capacity, merged);
    appendStreamedAndCheck(store, second, block2, pieceSize, capacity, merged);
}

// The two sources of one merge; `capacity` limits the store when set.
void checkMerge(std::string_view first, std::string_view second, std::optional<ByteCount> capacity,
                ByteCount pieceSize)
{
    const std::optional<std::string> block1 = checkBlock(first, pieceSize);
    const std::optional<std::string> block2 = checkBlock(second, pieceSize);
    checkStreamedMerge(first, second, block1, block2, pieceSize, capacity);
    if (!block1 || !block2)
        return;
    velmor::MergedTextStore store(capacity);
    std::string merged;
    appendAndCheck(store, first, *block1, capacity, merged);
    appendAndCheck(store, second, *block2, capacity, merged);
    // The store is reused after Clear, as each new merge run does.
    store.Clear();
    merged.clear();
    checkStore(store, merged);
    appendAndCheck(store, second, *block2, capacity, merged);
}

// --- Reaching the large-piece paths -------------------------------------------

// Small inputs never reach the paths for long unchanged runs (passed on
// straight from the source) nor for the gathering buffer filling up, so two
// rare bytes stand for long stretches: a run longer than 64 KiB, and over
// 1 MiB of 40 KB lines whose lone LF each needs rewriting. Only an input
// that begins with one of them is stretched, so most runs stay fast.
constexpr char longRunMarker = '\x01';
constexpr char longLinesMarker = '\x02';
constexpr int maxMarkers = 3;

VELMOR_NOT_TRACED std::optional<std::string> stretched(std::string_view input)
{
    if (input.empty() || (input[0] != longRunMarker && input[0] != longLinesMarker))
        return std::nullopt;
    std::string out;
    int markers = 0;
    for (char c : input) {
        if (c == longRunMarker && markers < maxMarkers) {
            out.append(70 * 1024, 'x');
            ++markers;
        } else if (c == longLinesMarker && markers < maxMarkers) {
            for (int line = 0; line < 27; ++line)
                out.append(40 * 1000, 'y').append(1, '\n');
            ++markers;
        } else {
            out += c;
        }
    }
    if (markers == 0)
        return std::nullopt;
    return out;
}

// --- Driving a run from the input ---------------------------------------------

// The size of the pieces a source is streamed in, from the input's third
// byte: mostly a few bytes, so that pieces end at every kind of place, now
// and then the reader's own.
ByteCount pieceSizeOf(std::string_view input)
{
    if (input.size() < 3)
        return 1;
    const unsigned chooser = static_cast<unsigned char>(input[2]);
    return chooser < 0xF0 ? chooser % 17 + 1 : velmor::SourceReader::defaultPieceSize;
}

// The input is the source; its first two bytes also choose where it is cut
// into the two sources of a merge, its third the size of the pieces it is
// streamed in, and its last byte whether the store has a capacity,
// somewhere between nothing and just enough.
void checkInput(std::string_view source)
{
    const std::size_t n = source.size();
    const std::size_t selector =
        n >= 2 ? static_cast<unsigned char>(source[0]) | static_cast<unsigned char>(source[1]) << 8 : 0;
    const std::size_t cut = selector % (n + 1);
    std::optional<ByteCount> capacity;
    if (n > 0) {
        const unsigned last = static_cast<unsigned char>(source[n - 1]);
        if (last < 64)
            capacity = static_cast<ByteCount>(2 * n + 8) * last / 63;
    }
    checkMerge(source.substr(0, cut), source.substr(cut), capacity, pieceSizeOf(source));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    checkInput(input);
    // The store takes pieces of any size alike. Pieces of a few bytes over a
    // stretched source would cost a read call each: they are scaled up, to
    // odd sizes that still cut line ends apart.
    if (const std::optional<std::string> big = stretched(input))
        checkBlock(*big, std::min(pieceSizeOf(input) * 4099, velmor::SourceReader::defaultPieceSize));
    return 0;
}
