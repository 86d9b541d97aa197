#pragma once
// The merge that velmor-merge runs: every source in the order given becomes
// one block of the merged text, followed by CR LF, exactly as in the window.
// The text is not kept anywhere: it streams through one reading buffer and
// one writing buffer into standard output or the target file, so memory
// stays the same whatever the sources' sizes.
#include <optional>

#include "command_line.h"
#include "output_writer.h"
#include "progress_line.h"
#include "source_reader.h"

namespace velmor::cli {

class MergeCommand {
public:
    explicit MergeCommand(const MergeRequest& request);

    // Throws the first failure as a velmor::Exception, with the window's
    // message for it, or Interrupted.
    void run();

private:
    void toStandardOutput();
    void toTarget(const std::string& target);
    void mergeInto(OutputWriter& out);
    void mergeSource(const std::string& source, OutputWriter& out);
    void openSource(const std::string& source);
    void pieceWritten();

    const MergeRequest& request_;
    SourceReader reader_;
    std::optional<ProgressLine> progress_;
    ByteCount finished_ = 0;  // source bytes of the sources already merged
};

}  // namespace velmor::cli
