#pragma once

namespace quillmore {

// True when the OpenMP `parallel sections` regions Tesseract opens run in the thread that opens
// them, through this program's own entry points (serialsections.cpp), rather than through the
// OpenMP runtime's.
bool sectionsRunInCallingThread();

} // namespace quillmore
