#pragma once
// The merged text kept in an unnamed temporary file rather than on the heap,
// so a merge of several gigabytes costs page cache, not process memory. A
// sparse line index (one offset every few dozen lines) lets the view find
// any line quickly at a cost of well under a byte per line.
#include <optional>
#include <string>

#include "merged_text.h"
#include "merged_text_source.h"

namespace velmor {

class MergedTextStore final : public MergedText, public MergedTextSource {
public:
    // `capacity`: the most bytes the text may hold. Without one, the text
    // may grow as far as the free space where its backing file lives.
    // `folder`: where the backing file lives; empty for $TMPDIR, or /tmp.
    explicit MergedTextStore(std::optional<ByteCount> capacity = std::nullopt,
                             std::string folder = {});
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
