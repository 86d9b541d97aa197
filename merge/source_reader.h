#pragma once
// Reads sources one after another in fixed-size pieces through one buffer
// that serves a whole run, so that no memory figure depends on how large a
// source is: a source of 200 GB costs the same few MiB as one of 2 KB.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "text_units.h"

namespace velmor {

class SourceReader {
public:
    static constexpr ByteCount defaultPieceSize = ByteCount{4} << 20;

    // `pieceSize` (at least 1) is the most bytes one piece holds; tests and
    // the fuzzer take it down to a single byte.
    explicit SourceReader(ByteCount pieceSize = defaultPieceSize);
    ~SourceReader();
    SourceReader(const SourceReader&) = delete;
    SourceReader& operator=(const SourceReader&) = delete;

    // Opens `path` read-only exactly as given, closing any source open
    // before. Only regular files are read: a folder, FIFO, device or socket
    // fails at once, so a run never blocks or reads without end. The size is
    // taken now; reading stops there, also when the file grows meanwhile.
    // EFOpenError("Cannot open file <path>").
    void open(const std::string& path);
    // Reads the open stream `fd` (standard input, a pipe) up to its end under
    // the same rules; `name` stands for it in messages. `fd` stays open.
    void openStream(int fd, std::string name);

    // The name given to open or openStream.
    const std::string& name() const;
    // The size taken when the source was opened; nothing for a stream.
    std::optional<ByteCount> size() const;
    // How many bytes of the source have been handed out so far.
    ByteCount position() const;

    // The next piece of the source's bytes, valid until the next call on
    // this reader; empty at the end. EFOpenError("Cannot open file <name>")
    // when a read fails part-way.
    std::string_view next();
    // Whether every byte not yet handed out is NUL; reads (and so uses up)
    // the rest as far as needed. The holes of a sparse file count as NULs
    // known without reading them.
    bool restIsNul();

    // Closes the source; its buffer is kept for the next one.
    void close();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace velmor
