#pragma once
// Ctrl-C, a hang-up or a kill during a merge must not leave a half-written
// temporary file beside the target. The signal is only noted; the merge
// stops at its next piece by throwing Interrupted, which unwinds through the
// save (removing its temporary file), and the program then ends by the same
// signal, as a shell expects. A second signal ends the program at once.
namespace velmor::cli {

struct Interrupted {
    int signal;
};

// Notes SIGINT, SIGTERM and SIGHUP from now on.
void catchInterruptions();
// Throws Interrupted when one of them has arrived.
void throwIfInterrupted();
// Ends the process by `signal`, with its default effect.
[[noreturn]] void endBy(int signal);

}  // namespace velmor::cli
