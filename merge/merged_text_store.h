#pragma once
// The merged text kept in an unnamed file on a disk rather than on the heap,
// so a merge of several gigabytes costs page cache, not process memory. A
// sparse line index (one offset every few dozen lines) lets the view find
// any line quickly at a cost of well under a byte per line. A save onto the
// same file system hands the file itself over as the target, copying
// nothing; the store then starts a new file for the next text.
#include <optional>
#include <string>

#include "file_mapping.h"
#include "merged_text.h"
#include "merged_text_source.h"

namespace velmor {

class MergedTextStore final : public MergedText, public MergedTextSource {
public:
    // `capacity`: the most bytes the text may hold. Without one, the text
    // may grow as far as the free space where its backing file lives.
    // `folder`: where the backing file lives; empty for the first folder on
    // a disk among the usual ones (see text_folder.h).
    // `mappingLimit`: the most bytes mapped at once, lowered by tests.
    explicit MergedTextStore(std::optional<ByteCount> capacity = std::nullopt, std::string folder = {},
                             ByteCount mappingLimit = FileMapping::unlimited);
    ~MergedTextStore() override;
    MergedTextStore(const MergedTextStore&) = delete;
    MergedTextStore& operator=(const MergedTextStore&) = delete;

    void Clear() override;
    void Append(const Block& block) override;
    void SaveToFile(const std::string& path) const override;

    ByteCount size() const override;
    LineCount lineCount() const override;
    ByteOffset lineStart(LineNumber line) const override;
    ByteCount longestLine() const override;
    std::string_view bytes(ByteOffset offset, ByteCount length) const override;
    void setChangeListener(std::function<void()> listener) override;

private:
    struct Impl;
    Impl* impl_;
};

}  // namespace velmor
