#pragma once
// Writing the target file so that a save that breaks off never costs the
// user the file that stood there: the new content goes to a fresh file in
// the target's folder and replaces the target with one rename, only after
// every byte has reached the disk.
#include <functional>
#include <string>

namespace velmor {

// Writes the whole content into the open, empty file `fd`, from its current
// position. Returns false when the transfer broke off.
using ContentWriter = std::function<bool(int fd)>;

// Replaces the file at `path` (8-bit bytes, used as given) with what
// `writeContent` writes.
// - A symbolic link at `path` stays; the file it leads to is replaced.
// - An existing target keeps its permission bits; a new one gets
//   0666 less the umask.
// - Where the folder takes no new file but the existing target is writable,
//   the target is overwritten in place: then a break-off loses its old
//   content, as there is nowhere else to put the new one.
// EFCreateError("Cannot create file <path>") when no file can be written
// there (missing folder, a folder or read-only file at `path`...): nothing
// is written. EOutOfResources("Failed to Save Stream") when the writing
// breaks off: the new file is removed and an existing target is unchanged.
void writeTargetFile(const std::string& path, const ContentWriter& writeContent);

}  // namespace velmor
