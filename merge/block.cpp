#include "block.h"

#include <cstring>
#include <memory>

#include "line_end_scan.h"

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

}  // namespace

void Block::write(const Sink& sink) const
{
    PieceGatherer out(sink);
    const char* const begin = text_.data();
    const char* const end = begin + text_.size();
    // [run, next line-end byte) is text whose line ends are all CR LF
    // already: it passes as it is.
    const char* run = begin;
    const char* lfOfCrLf = nullptr;
    forEachLineEndByte<true>(begin, end, [&](const char* p) {
        if (*p == '\r' && p + 1 < end && p[1] == '\n') {
            lfOfCrLf = p + 1;
            return;
        }
        if (p == lfOfCrLf)
            return;
        out.copy(run, p);  // a lone CR or LF becomes CR LF
        out.lineEnd();
        run = p + 1;
    });
    if (run < end) {
        out.copy(run, end);
        if (end[-1] != '\n')  // a last line without a line end
            out.lineEnd();
    }
    out.flush();
}

std::string Block::bytes() const
{
    std::string all;
    write([&all](std::string_view piece) { all.append(piece); });
    return all;
}

}  // namespace velmor
