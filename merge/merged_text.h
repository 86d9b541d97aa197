#pragma once
// The merged text as the merge workflow changes it. It is empty or ends with
// CR LF, and every line break in it is CR LF.
#include <string>

#include "block.h"

namespace velmor {

class MergedText {
public:
    virtual ~MergedText() = default;
    virtual void Clear() = 0;
    // Adds the block and then CR LF at the end, as one piece. When that does
    // not fit: EOutOfResources("RichEdit line insertion error"), and the text
    // from before the call stays exactly as it was.
    virtual void Append(const Block& block) = 0;
    // Replaces the file at `path` with exactly the merged text's bytes.
    // EFCreateError("Cannot create file <path>") when no file can be
    // created, EOutOfResources("Failed to Save Stream") when writing breaks
    // off; either way an existing file at `path` keeps its old content.
    virtual void SaveToFile(const std::string& path) const = 0;
};

}  // namespace velmor
