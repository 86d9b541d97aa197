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

class Block {
public:
    // `text` holds no NUL (see textOf). The block refers to it, not copies it.
    explicit Block(std::string_view text) : text_(text) {}

    using Sink = std::function<void(std::string_view piece)>;
    // Hands the block's bytes to `sink` in consecutive pieces. A piece points
    // into the source text or into a scratch buffer and is valid only during
    // the call. Text that already ends every line with CR LF passes in large
    // pieces straight from the source.
    void write(const Sink& sink) const;

    // The whole block in one string, for small texts and tests.
    std::string bytes() const;

private:
    std::string_view text_;
};

}  // namespace velmor
