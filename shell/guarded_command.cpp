#include "guarded_command.h"

#include <exception>
#include <new>
#include <string>

#include "error_box.h"
#include "error_text.h"
#include "errors.h"

namespace {

void show(ErrorBox& box, const std::string& message) noexcept
{
    try {
        box.ShowError(errorBoxText(message));
    } catch (...) {
        // Nothing is left to tell the user with; the command is over anyway.
    }
}

}  // namespace

void runGuarded(ErrorBox& box, const std::function<void()>& command) noexcept
{
    try {
        command();
    } catch (const velmor::EAbort&) {
        // The silent error: dropped without a message.
    } catch (const std::bad_alloc&) {
        show(box, "Out of memory");
    } catch (const std::exception& e) {
        show(box, e.what());
    } catch (...) {
        show(box, "Unexpected error");
    }
}
