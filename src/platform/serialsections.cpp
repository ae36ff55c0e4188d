#include "serialsections.h"

#include <dlfcn.h>

// Tesseract computes the gates of each step of its LSTM layers as an OpenMP `parallel sections`
// region: about a hundred thousand regions for one screenshot. A reading runs on one thread (the
// batch is what runs in parallel, and OMP_THREAD_LIMIT is 1), yet the OpenMP runtime still builds
// a team of one for each region and ends it with a barrier whose last thread wakes the others by
// a futex system call, whether anyone waits or not. Those calls took about 8 % of a reading's
// processor time, and more with two readings at once.
//
// The three entry points GCC's code calls for a combined `parallel sections` region are defined
// here, in the program. The dynamic linker looks up a symbol in the program before the libraries
// it loads, so Tesseract's calls come here instead of to the runtime, and the sections of a region
// run one after another in the calling thread, as a team of one runs them, without the team.
// Only these three are replaced; every other OpenMP call still goes to the runtime. Nothing in
// the process starts a sections region otherwise (GOMP_sections_start), which would need the
// runtime's own GOMP_sections_next.

namespace {

// The region the calling thread is in: the next section to run and how many there are.
struct SectionsRegion {
    unsigned next = 0;
    unsigned count = 0;
};

thread_local SectionsRegion region;

} // namespace

extern "C" {

// Runs `body` once in the calling thread; it takes the sections of the region one by one from
// GOMP_sections_next until that returns 0.
void GOMP_parallel_sections(void (*body)(void *), void *data, unsigned /*threads*/, unsigned count, unsigned /*flags*/)
{
    const SectionsRegion outer = region; // a section may open a region of its own
    region = SectionsRegion{1, count};
    body(data);
    region = outer;
}

// The number of the next section to run, from 1; 0 when all have run.
unsigned GOMP_sections_next()
{
    return region.next <= region.count ? region.next++ : 0;
}

// The end of the region's sections, where no thread waits for the others: there are none.
void GOMP_sections_end_nowait() {}

} // extern "C"

namespace quillmore {

bool sectionsRunInCallingThread()
{
    return ::dlsym(RTLD_DEFAULT, "GOMP_parallel_sections") == reinterpret_cast<void *>(&GOMP_parallel_sections)
        && ::dlsym(RTLD_DEFAULT, "GOMP_sections_next") == reinterpret_cast<void *>(&GOMP_sections_next);
}

} // namespace quillmore
