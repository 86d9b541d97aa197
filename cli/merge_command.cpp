#include "merge_command.h"

#include <sys/stat.h>
#include <unistd.h>

#include <new>

#include "block.h"
#include "errors.h"
#include "interruption.h"
#include "target_file.h"

namespace velmor::cli {

namespace {

constexpr const char* standardInputName = "(standard input)";

// The bytes a source will give, as far as it can be known beforehand: a
// path that is no regular file fails at once and gives none.
std::optional<ByteCount> expectedSize(const std::string& source)
{
    struct stat st {};
    if (source != "-")
        return ::stat(source.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? st.st_size : 0;
    if (::fstat(STDIN_FILENO, &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    const off_t at = ::lseek(STDIN_FILENO, 0, SEEK_CUR);
    return at >= 0 && at < st.st_size ? st.st_size - at : 0;
}

std::optional<ByteCount> totalSize(const std::vector<std::string>& sources)
{
    ByteCount total = 0;
    for (const std::string& source : sources) {
        const std::optional<ByteCount> size = expectedSize(source);
        if (!size)
            return std::nullopt;
        total += *size;
    }
    return total;
}

// A progress line over the merged text itself would garble it.
bool wantsProgress(const MergeRequest& request)
{
    return !request.quiet && ::isatty(STDERR_FILENO) &&
           (request.target || !::isatty(STDOUT_FILENO));
}

}  // namespace

MergeCommand::MergeCommand(const MergeRequest& request) : request_(request)
{
    if (wantsProgress(request))
        progress_.emplace(STDERR_FILENO, totalSize(request.sources));
}

void MergeCommand::run()
{
    if (request_.target)
        toTarget(*request_.target);
    else
        toStandardOutput();
}

void MergeCommand::toStandardOutput()
{
    OutputWriter out(STDOUT_FILENO);
    try {
        mergeInto(out);
    } catch (...) {
        // What came before the failing source stays written; the failure
        // itself is what is reported, not a further one while flushing.
        try {
            out.flush();
        } catch (const Exception&) {
        }
        throw;
    }
    out.flush();
}

void MergeCommand::toTarget(const std::string& target)
{
    // The text goes straight into a new file beside the target, which takes
    // the target's name only when complete; a failure thrown from the writer
    // leaves nothing behind and the target as it was.
    // Its length is known only at the end, so it is saved as a stream.
    writeTargetFile(target, [this](int fd) {
        OutputWriter out(fd);
        mergeInto(out);
        out.flush();
        return true;
    });
}

void MergeCommand::mergeInto(OutputWriter& out)
{
    for (const std::string& source : request_.sources)
        mergeSource(source, out);
}

void MergeCommand::mergeSource(const std::string& source, OutputWriter& out)
{
    out.mark();
    try {
        openSource(source);
        sourceBlock(reader_).write([&](std::string_view piece) {
            out.write(piece);
            pieceWritten();
        });
        out.write("\r\n");
        throwIfInterrupted();
    } catch (const std::bad_alloc&) {
        out.takeBackToMark();
        throw EOutOfMemory();
    } catch (...) {
        out.takeBackToMark();
        throw;
    }
    finished_ += reader_.position();
    reader_.close();
}

void MergeCommand::openSource(const std::string& source)
{
    if (source == "-")
        reader_.openStream(STDIN_FILENO, standardInputName);
    else
        reader_.open(source);
}

void MergeCommand::pieceWritten()
{
    throwIfInterrupted();
    if (progress_)
        progress_->update(finished_ + reader_.position());
}

}  // namespace velmor::cli
