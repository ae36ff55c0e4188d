#pragma once

namespace quillmore {

// OpenCV splits much of its image work (resizing, colour conversion, the detection network's
// layers) over a pool of threads, which helps one reading use the whole machine. A batch that reads
// several screenshots at once already keeps every processor busy with its own readings, and there
// the pool's threads only compete with the other readings for the same processors.
//
// Makes OpenCV's parallel loops go through this program's own backend: on TBB's pool as before,
// except on a thread that keeps its image work to itself (below), where a loop runs on that thread
// alone. Call it in main, before any thread starts and before any image work: OpenCV's backend
// cannot be changed safely while a loop may be running.
void installImageWorkBackend();

// From now on, OpenCV's parallel loops started on the calling thread run on it alone, where the
// backend above is installed. For a thread that is one of several reading at the same time; it
// lasts as long as the thread.
void keepImageWorkOnThisThread();

} // namespace quillmore
