#pragma once

#include <exception>
#include <stop_token>

namespace quillmore {

// Thrown by a long operation at one of its checkpoints when its job was cancelled. Callers
// report it as a cancelled status, never as an error.
struct Cancelled : std::exception {
    const char *what() const noexcept override { return "cancelled"; }
};

inline void throwIfCancelled(const std::stop_token &token)
{
    if (token.stop_requested())
        throw Cancelled();
}

} // namespace quillmore
