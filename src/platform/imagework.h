#pragma once

#include <atomic>

namespace quillmore {

// OpenCV splits much of its image work (resizing, colour conversion, the detection network's
// layers) over a pool of threads, which helps one reading use the whole machine. When several
// screenshots are read at once and every processor already has a reading of its own, the pool's
// threads only compete with the other readings for the same processors.
//
// Makes OpenCV's parallel loops go through this program's own backend: on TBB's pool as before,
// except on a thread that keeps its image work to itself (below), where a loop runs on that thread
// alone. Call it in main, before any thread starts and before any image work: OpenCV's backend
// cannot be changed safely while a loop may be running.
void installImageWorkBackend();

// From now on, where the backend above is installed, OpenCV's parallel loops started on the
// calling thread run on it alone while `readers` (the threads reading at the same time, this one
// among them) are at least `processors`. When fewer are left, the pool spreads this thread's loops
// over the processors the others have left free. `readers` must outlive the thread's image work.
void keepImageWorkOnThisThreadWhile(const std::atomic<int> &readers, int processors);

} // namespace quillmore
