#pragma once
// A source's text as one block of the merged text: every line of the source
// followed by CR LF. CR LF, a lone CR and a lone LF each end a line (LF then
// CR is two line ends); a last line without a line end still gets CR LF, and
// a line end at the very end adds no empty line.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "text_units.h"

namespace velmor {

// The text of a source file's bytes: everything before the first NUL. A NUL
// followed only by NULs up to the end is padding and is dropped; when any
// other byte follows the first NUL the file is not 8-bit text (UTF-16, a
// binary picked by mistake) and there is no text: nullopt.
std::optional<std::string_view> textOf(std::string_view fileBytes);

class SourceReader;

class Block {
public:
    using Sink = std::function<void(std::string_view piece)>;
    // Produces the block's bytes into a sink, piece by piece, once.
    using Producer = std::function<void(const Sink& sink)>;

    // `text` holds no NUL (see textOf). The block refers to it, not copies it.
    explicit Block(std::string_view text);
    // A block whose bytes come from `produce`, which may throw part-way.
    explicit Block(Producer produce) : produce_(std::move(produce)) {}

    // Hands the block's bytes to `sink` in consecutive pieces. A piece points
    // into the source text or into a scratch buffer and is valid only during
    // the call. Text that already ends every line with CR LF passes in large
    // pieces straight from the source.
    void write(const Sink& sink) const;

    // The whole block in one string, for small texts and tests.
    std::string bytes() const;

private:
    Producer produce_;
};

// The block of the source that `reader` has open, read and converted piece
// by piece while the merged text takes it, so a source of any size passes
// through the reader's one buffer. A CR LF split between two pieces stays
// one line end. Writing it throws ENotTextFile("File <name> is not an
// 8-bit text file") when a byte other than NUL follows the first NUL (a
// NUL followed only by NULs is padding and ends the text), and EFOpenError
// when a read fails part-way; the merged text then takes back what it had
// already taken of the block. The reader must stay open while it is written.
Block sourceBlock(SourceReader& reader);

}  // namespace velmor
