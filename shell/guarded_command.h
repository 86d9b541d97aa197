#pragma once
// Every command runs inside runGuarded, so no exception ever reaches Qt's
// event loop: whatever a command lets escape goes to the error box, and the
// window stays usable afterwards.
#include <functional>

class ErrorBox;

void runGuarded(ErrorBox& box, const std::function<void()>& command) noexcept;
