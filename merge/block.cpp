#include "block.h"

#include <cstring>
#include <memory>

#include "errors.h"
#include "line_end_scan.h"
#include "nul_padding.h"
#include "source_reader.h"

namespace velmor {

std::optional<std::string_view> textOf(std::string_view fileBytes)
{
    const auto nul = fileBytes.find('\0');
    if (nul == std::string_view::npos)
        return fileBytes;
    const auto rest = fileBytes.substr(nul);
    if (rest.find_first_not_of('\0') != std::string_view::npos)
        return std::nullopt;
    return fileBytes.substr(0, nul);
}

namespace {

// Gathers the block's small pieces into large ones, so the sink sees a few
// big writes rather than one call per line, while long stretches that need
// no change go to the sink straight from the source text.
class PieceGatherer {
public:
    explicit PieceGatherer(const Block::Sink& sink) : sink_(sink) {}

    void copy(const char* from, const char* to)
    {
        const auto length = static_cast<std::size_t>(to - from);
        if (length >= directPiece) {
            flush();
            sink_(std::string_view(from, length));
            return;
        }
        if (used_ + length + 2 > bufferSize)
            flush();
        std::memcpy(buffer_.get() + used_, from, length);
        used_ += length;
    }

    void lineEnd()
    {
        if (used_ + 2 > bufferSize)
            flush();
        buffer_[used_++] = '\r';
        buffer_[used_++] = '\n';
    }

    void flush()
    {
        if (used_ == 0)
            return;
        sink_(std::string_view(buffer_.get(), used_));
        used_ = 0;
    }

private:
    static constexpr std::size_t directPiece = 64 * 1024;
    static constexpr std::size_t bufferSize = 1024 * 1024;
    const Block::Sink& sink_;
    std::unique_ptr<char[]> buffer_{new char[bufferSize]};
    std::size_t used_ = 0;
};

// Rewrites the line ends of text that comes in consecutive pieces. A CR at
// the end of a piece passes at once; whether it was a CR LF shows only with
// the next piece, whose LF then passes too, or else an LF is added.
class LineEndWriter {
public:
    explicit LineEndWriter(const Block::Sink& sink) : out_(sink) {}

    // `piece` holds no NUL.
    void write(std::string_view piece)
    {
        if (piece.empty())
            return;
        const char* const begin = piece.data();
        const char* const end = begin + piece.size();
        // [run, next line-end byte) is text whose line ends are all CR LF
        // already: it passes as it is.
        const char* run = begin;
        const char* lfOfCrLf = nullptr;
        if (crOpen_) {
            if (*begin == '\n')
                lfOfCrLf = begin;
            else
                out_.copy(&lineFeed, &lineFeed + 1);
        }
        forEachLineEndByte<true>(begin, end, [&](const char* p) {
            if (*p == '\r' && (p + 1 == end || p[1] == '\n')) {
                lfOfCrLf = p + 1;
                return;
            }
            if (p == lfOfCrLf)
                return;
            out_.copy(run, p);  // a lone CR or LF becomes CR LF
            out_.lineEnd();
            run = p + 1;
        });
        out_.copy(run, end);
        crOpen_ = end[-1] == '\r';
        lineOpen_ = end[-1] != '\n' && !crOpen_;
    }

    // After the last piece: a last line without a line end gets CR LF.
    void finish()
    {
        if (crOpen_)
            out_.copy(&lineFeed, &lineFeed + 1);
        else if (lineOpen_)
            out_.lineEnd();
        crOpen_ = lineOpen_ = false;
        out_.flush();
    }

private:
    static constexpr char lineFeed = '\n';
    PieceGatherer out_;
    bool crOpen_ = false;    // the text so far ends with a CR that awaits its LF
    bool lineOpen_ = false;  // the text so far ends inside a line
};

[[noreturn]] void notText(const SourceReader& reader)
{
    throw ENotTextFile(withPath(messages::notText, reader.name()));
}

}  // namespace

Block::Block(std::string_view text)
    : produce_([text](const Sink& sink) {
          LineEndWriter out(sink);
          out.write(text);
          out.finish();
      })
{
}

void Block::write(const Sink& sink) const
{
    produce_(sink);
}

Block sourceBlock(SourceReader& reader)
{
    return Block([&reader](const Block::Sink& sink) {
        LineEndWriter out(sink);
        for (std::string_view piece = reader.next(); !piece.empty(); piece = reader.next()) {
            const auto nul = piece.find('\0');
            if (nul == std::string_view::npos) {
                out.write(piece);
                continue;
            }
            // The first NUL ends the text; only NULs may follow it.
            out.write(piece.substr(0, nul));
            if (!allNul(piece.substr(nul)) || !reader.restIsNul())
                notText(reader);
            break;
        }
        out.finish();
    });
}

std::string Block::bytes() const
{
    std::string all;
    write([&all](std::string_view piece) { all.append(piece); });
    return all;
}

}  // namespace velmor
