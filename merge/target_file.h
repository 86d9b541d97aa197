#pragma once
// Writing the target file so that a save that breaks off never costs the
// user the file that stood there: the new content becomes a complete file
// without a name first, and only then takes the target's name with one
// rename, after every byte has reached the disk. Where the content already
// is such a file on the target's file system, that file itself takes the
// name and no byte is copied.
#include <functional>
#include <optional>
#include <string>

#include "text_units.h"

namespace velmor {

// Writes the whole content into the open file `fd`, from its current
// position. Returns false when the transfer broke off.
using ContentWriter = std::function<bool(int fd)>;

struct TargetContent {
    // The bytes that `write` writes; unknown for a stream.
    std::optional<ByteCount> length;
    ContentWriter write;
    // An open file without a name that holds exactly the content and may
    // become the target itself; -1 when there is none.
    int linkable = -1;
};

enum class SaveOutcome {
    written,  // the content was written to the target
    linked,   // `linkable` is now the target: it must never change again
};

// Replaces the file at `path` (8-bit bytes, used as given) with the content.
// - A symbolic link at `path` stays; the file it leads to is replaced.
// - An existing target keeps its permission bits and, where we may set it,
//   its owner; a new one gets 0666 less the umask.
// - A FIFO, socket or device is opened without waiting: a FIFO without a
//   reader or a socket is "Cannot create file"; a device takes the bytes.
// - Where the folder takes no new file but the existing target is writable,
//   the target is overwritten in place, once the space for the whole
//   content has been reserved. Without a known length nothing can be
//   reserved: a break-off then leaves the old target partly overwritten.
// EFCreateError("Cannot create file <path>") when no file can be written
// there (missing folder, a folder or read-only file at `path`...): nothing
// is written. EOutOfResources("Failed to Save Stream") when the writing
// breaks off: an existing target is unchanged and nothing is left behind.
SaveOutcome writeTargetFile(const std::string& path, const TargetContent& content);

// The same for content of unknown length, such as a stream.
inline void writeTargetFile(const std::string& path, const ContentWriter& writeContent)
{
    writeTargetFile(path, TargetContent{std::nullopt, writeContent});
}

}  // namespace velmor
