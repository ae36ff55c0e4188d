#pragma once

#include "model/records.h"

#include <mutex>
#include <stop_token>

namespace quillmore {

struct SelectionReadResult {
    QList<SelectedJPEG> selections; // in Finder order of their paths
    QList<AppWarning> warnings;     // in the order the problems arose
};

class SelectionReading {
public:
    virtual ~SelectionReading() = default;
    // Reads every JPEG file in the folder and its subfolders. Throws FailureError
    // (selectionUnreadable, with the error number) when the folder cannot be opened, Cancelled
    // when the token asks to stop.
    virtual SelectionReadResult readSelection(const FileURL &folder, std::stop_token stop) = 0;
};

// Turns a selection folder into selected names. Hidden entries are left out and symbolic links
// are never followed. One call runs at a time.
class SelectionReader final : public SelectionReading {
public:
    SelectionReadResult readSelection(const FileURL &folder, std::stop_token stop) override;

private:
    std::mutex m_serial;
};

} // namespace quillmore
