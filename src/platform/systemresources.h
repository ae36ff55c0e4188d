#pragma once

// What the machine offers for work spread over several threads.

#include <QtGlobal>

#include <optional>

namespace quillmore {

// The processors this process may run on (its CPU affinity, as `taskset` sets it); at least 1.
int usableProcessorCount();

// The memory the system could give to new work without swapping (MemAvailable); nothing when
// it cannot tell.
std::optional<qint64> availableMemoryBytes();

} // namespace quillmore
