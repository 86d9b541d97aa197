#include "block.h"

#include <algorithm>
#include <cstring>

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

const char* find(const char* from, const char* end, char c)
{
    const void* hit = std::memchr(from, c, static_cast<std::size_t>(end - from));
    return hit ? static_cast<const char*>(hit) : end;
}

// Gathers the block's small pieces into large ones, so the sink sees a few
// big writes rather than one call per line, while long stretches that need
// no change go to the sink straight from the source text.
class PieceGatherer {
public:
    explicit PieceGatherer(const Block::Sink& sink) : sink_(sink) {}
    ~PieceGatherer() = default;

    void copy(const char* from, const char* to)
    {
        const auto length = static_cast<std::size_t>(to - from);
        if (length >= directPiece) {
            flush();
            sink_(std::string_view(from, length));
            return;
        }
        buffer_.append(from, length);
        if (buffer_.size() >= bufferLimit)
            flush();
    }

    void lineEnd() { buffer_.append("\r\n", 2); }

    void flush()
    {
        if (buffer_.empty())
            return;
        sink_(buffer_);
        buffer_.clear();
    }

private:
    static constexpr std::size_t directPiece = 64 * 1024;
    static constexpr std::size_t bufferLimit = 1024 * 1024;
    const Block::Sink& sink_;
    std::string buffer_;
};

}  // namespace

void Block::write(const Sink& sink) const
{
    PieceGatherer out(sink);
    const char* p = text_.data();
    const char* const end = p + text_.size();
    // [run, p) is text whose line ends are all CR LF already: it passes as is.
    const char* run = p;
    const char* cr = find(p, end, '\r');
    const char* lf = find(p, end, '\n');
    while (p < end) {
        if (cr < p)
            cr = find(p, end, '\r');
        if (lf < p)
            lf = find(p, end, '\n');
        const char* lineEnd = std::min(cr, lf);
        if (lineEnd == end) {  // a last line without a line end
            out.copy(run, end);
            out.lineEnd();
            run = end;
            break;
        }
        if (lineEnd == cr && lineEnd + 1 < end && lineEnd[1] == '\n') {
            p = lineEnd + 2;
            continue;
        }
        out.copy(run, lineEnd);  // a lone CR or LF becomes CR LF
        out.lineEnd();
        p = run = lineEnd + 1;
    }
    out.copy(run, end);
    out.flush();
}

std::string Block::bytes() const
{
    std::string all;
    write([&all](std::string_view piece) { all.append(piece); });
    return all;
}

}  // namespace velmor
