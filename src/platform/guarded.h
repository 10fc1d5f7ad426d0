#pragma once

#include <exception>
#include <utility>

namespace quillar {

// Writes a failure that no handler caught to standard error.
void reportUncaught(const char *handler, const std::exception *error) noexcept;

// Runs an event handler that catches nothing of its own. A failure never
// travels into the event loop: it is written to standard error and the program
// carries on.
template <typename F>
void guarded(const char *handler, F &&body) noexcept
{
    try {
        std::forward<F>(body)();
    } catch (const std::exception &e) {
        reportUncaught(handler, &e);
    } catch (...) {
        reportUncaught(handler, nullptr);
    }
}

} // namespace quillar
