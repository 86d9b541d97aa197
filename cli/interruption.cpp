#include "interruption.h"

#include <signal.h>
#include <unistd.h>

#include <initializer_list>

namespace velmor::cli {

namespace {

volatile sig_atomic_t arrived = 0;

void note(int which)
{
    arrived = which;
}

}  // namespace

void catchInterruptions()
{
    struct sigaction action {};
    action.sa_handler = note;
    sigemptyset(&action.sa_mask);
    // Reads and writes carry on after the signal; a merge blocked on a
    // silent pipe waits for its data, or for the second signal.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int which : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(which, &action, nullptr);
}

void throwIfInterrupted()
{
    if (arrived != 0)
        throw Interrupted{arrived};
}

void endBy(int which)
{
    ::signal(which, SIG_DFL);
    ::raise(which);
    ::_exit(128 + which);
}

}  // namespace velmor::cli
