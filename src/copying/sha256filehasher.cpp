#include "sha256filehasher.h"

#include "model/cancellation.h"
#include "platform/fileoperations.h"
#include "platform/sha256.h"

#include <memory>

namespace quillmore {

SHA256FileHasher::SHA256FileHasher(FileOperations *files) : m_files(files ? *files : realFileOperations()) {}

QString SHA256FileHasher::sha256Hex(const FileURL &file, std::stop_token stop)
{
    std::lock_guard lock(m_mutex);
    const int fd = m_files.openForReading(file);
    struct Closer {
        FileOperations &files;
        int fd;
        ~Closer() { files.close(fd); }
    } closer{m_files, fd};
    m_files.adviseSequential(fd);

    Sha256 state;
    const auto buffer = std::make_unique_for_overwrite<char[]>(chunkSize);
    for (;;) {
        throwIfCancelled(stop);
        const std::size_t n = m_files.read(fd, buffer.get(), chunkSize);
        if (n == 0)
            break;
        state.update(buffer.get(), n);
    }
    return state.finalHex();
}

} // namespace quillmore
