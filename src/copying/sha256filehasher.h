#pragma once

#include "copying/interfaces.h"

#include <mutex>

namespace quillmore {

class FileOperations;

// SHA-256 of a whole file, read in chunks of one MiB so memory does not grow with the file.
class SHA256FileHasher : public FileHashing {
public:
    static constexpr qint64 chunkSize = 1048576;

    explicit SHA256FileHasher(FileOperations *files = nullptr); // nullptr: the real file system

    // Throws FailureError when the file cannot be opened or read, Cancelled when asked to stop
    // (tested before every chunk). The file is closed on every path.
    QString sha256Hex(const FileURL &file, std::stop_token stop) override;

private:
    FileOperations &m_files;
    std::mutex m_mutex;
};

} // namespace quillmore
