#include "filewalk.h"

#include "paths.h"

#include <QTimeZone>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quillmore {

namespace {

// The kernel's directory entry as getdents64 returns it.
struct LinuxDirent64 {
    ino64_t d_ino;
    off64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[];
};

constexpr std::size_t kDirentBufferSize = 64 * 1024;

} // namespace

struct DirectoryWalk::Frame {
    int fd = -1;
    std::string path;  // this folder's path ("" for the root folder "/")
    std::string names; // the entries' names, each followed by a NUL
    std::vector<std::pair<std::uint32_t, unsigned char>> entries; // name offset, d_type
    std::size_t index = 0;

    ~Frame()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

DirectoryWalk::DirectoryWalk() = default;

DirectoryWalk::~DirectoryWalk()
{
    for (Frame *f : m_stack)
        delete f;
}

bool DirectoryWalk::loadFrame(Frame &frame)
{
    // The whole listing is read before any entry is reported, so the folder's descriptor is the
    // only one kept open per level.
    if (m_buffer.empty())
        m_buffer.resize(kDirentBufferSize);
    for (;;) {
        const long n = ::syscall(SYS_getdents64, frame.fd, m_buffer.data(), m_buffer.size());
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        for (long pos = 0; pos < n;) {
            const auto *e = reinterpret_cast<const LinuxDirent64 *>(m_buffer.data() + pos);
            pos += e->d_reclen;
            if (e->d_name[0] == '.') // hidden entries, ".", ".."
                continue;
            const unsigned char type = e->d_type;
            if (type != DT_REG && type != DT_DIR && type != DT_LNK && type != DT_UNKNOWN)
                continue;
            frame.entries.emplace_back(std::uint32_t(frame.names.size()), type);
            frame.names.append(e->d_name);
            frame.names.push_back('\0');
        }
    }
}

bool DirectoryWalk::open(const QString &root, ErrorHandler onError)
{
    m_onError = std::move(onError);
    for (Frame *f : m_stack)
        delete f;
    m_stack.clear();
    m_hasCurrent = false;
    m_pathValid = false;

    m_rootPath = encodePath(standardizedPath(root));
    const int fd = ::open(m_rootPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    auto *frame = new Frame;
    frame->fd = fd;
    frame->path = m_rootPath.toStdString();
    if (frame->path == "/")
        frame->path.clear(); // children are "/name", not "//name"
    m_rootLength = frame->path.size();
    if (!loadFrame(*frame)) {
        const int saved = errno;
        delete frame;
        errno = saved;
        return false;
    }
    m_stack.push_back(frame);
    return true;
}

void DirectoryWalk::pushCurrent()
{
    Frame *parent = m_stack.back();
    const int fd = ::openat(parent->fd, m_name.data(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (m_onError)
            m_onError(decodePath(currentPath()), errno);
        return;
    }
    auto *frame = new Frame;
    frame->fd = fd;
    frame->path = currentPath();
    if (!loadFrame(*frame)) {
        const int saved = errno;
        delete frame;
        if (m_onError)
            m_onError(decodePath(currentPath()), saved);
        return;
    }
    m_stack.push_back(frame);
}

bool DirectoryWalk::next()
{
    if (m_hasCurrent && m_currentReadable && m_currentKind == Kind::directory && !m_skipCurrent)
        pushCurrent();
    m_hasCurrent = false;
    m_pathValid = false;

    while (!m_stack.empty()) {
        Frame *frame = m_stack.back();
        if (frame->index >= frame->entries.size()) {
            delete frame;
            m_stack.pop_back();
            continue;
        }
        const auto [offset, type] = frame->entries[frame->index++];
        const char *name = frame->names.data() + offset;
        m_name = std::string_view(name);
        m_skipCurrent = false;
        m_currentReadable = true;
        if (type == DT_REG) {
            m_currentKind = Kind::file;
        } else if (type == DT_DIR) {
            m_currentKind = Kind::directory;
        } else if (type == DT_LNK) {
            m_currentKind = Kind::symbolicLink;
        } else {
            // The file system did not say; ask it.
            struct stat st;
            if (::fstatat(frame->fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                m_currentReadable = false;
            } else if (S_ISREG(st.st_mode)) {
                m_currentKind = Kind::file;
            } else if (S_ISDIR(st.st_mode)) {
                m_currentKind = Kind::directory;
            } else if (S_ISLNK(st.st_mode)) {
                m_currentKind = Kind::symbolicLink;
            } else {
                continue; // FIFO, socket, device
            }
        }
        m_hasCurrent = true;
        return true;
    }
    return false;
}

const std::string &DirectoryWalk::currentPath() const
{
    if (!m_pathValid) {
        m_path.assign(m_stack.back()->path);
        m_path.push_back('/');
        m_path.append(m_name);
        m_pathValid = true;
    }
    return m_path;
}

QString DirectoryWalk::name() const
{
    return decodePath(m_name);
}

QString DirectoryWalk::path() const
{
    return decodePath(currentPath());
}

std::string_view DirectoryWalk::pathBytes() const
{
    return currentPath();
}

std::string_view DirectoryWalk::relativePathBytes() const
{
    return std::string_view(currentPath()).substr(m_rootLength + 1);
}

bool DirectoryWalk::readMetadata(FileMetadata &out) const
{
    if (m_stack.empty())
        return false;
    struct stat st;
    if (::fstatat(m_stack.back()->fd, m_name.data(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    out.size = qint64(st.st_size);
    out.modificationDate = QDateTime::fromMSecsSinceEpoch(
        qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000, QTimeZone::utc());
    out.identity = FileIdentity{std::uint64_t(st.st_dev), std::uint64_t(st.st_ino)};
    return true;
}

} // namespace quillmore
