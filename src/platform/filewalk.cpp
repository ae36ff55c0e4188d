#include "filewalk.h"

#include "paths.h"

#include <QTimeZone>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <queue>
#include <set>
#include <sstream>
#include <thread>
#include <unordered_set>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
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
// Folders listed ahead of the caller, at most. Each holds its names, not a descriptor.
constexpr std::size_t kListingsAhead = 256;
// Entries whose values are read between two looks at the stop request while a folder is listed:
// at 1 ms a call, a stop is seen within 64 ms.
constexpr std::size_t kEntriesPerStopTest = 64;

struct IdentityHash {
    std::size_t operator()(const FileIdentity &i) const noexcept
    {
        return std::hash<std::uint64_t>()(i.volume) ^ (std::hash<std::uint64_t>()(i.file) * 0x9e3779b97f4a7c15ULL);
    }
};

// File systems that hold no files of the user's: the kernel's views of processes, devices and
// settings. Their mount points are not entered.
bool isSystemFileSystemType(std::string_view type)
{
    static const std::set<std::string_view> types{
        "autofs",   "binfmt_misc", "bpf",        "cgroup",    "cgroup2", "configfs", "debugfs", "devpts",
        "devtmpfs", "efivarfs",    "fusectl",    "hugetlbfs", "mqueue",  "nfsd",     "nsfs",    "proc",
        "pstore",   "rpc_pipefs",  "securityfs", "selinuxfs", "sysfs",   "tracefs"};
    return types.contains(type);
}

// The devices of the mounted system file systems, read from the mount table.
std::unordered_set<std::uint64_t> systemFileSystemDevices()
{
    std::unordered_set<std::uint64_t> devices;
    std::ifstream table("/proc/self/mountinfo");
    std::string line;
    while (std::getline(table, line)) {
        // id parent major:minor root mountpoint options [optional fields] - type source ...
        std::istringstream fields(line);
        std::string id, parent, device, field;
        fields >> id >> parent >> device;
        while (fields >> field && field != "-") {
        }
        std::string type;
        fields >> type;
        const auto colon = device.find(':');
        if (colon == std::string::npos || !isSystemFileSystemType(type))
            continue;
        const unsigned major = unsigned(std::strtoul(device.c_str(), nullptr, 10));
        const unsigned minor = unsigned(std::strtoul(device.c_str() + colon + 1, nullptr, 10));
        devices.insert(std::uint64_t(makedev(major, minor)));
    }
    return devices;
}

// Storage whose every metadata call waits for a server or a user-space process: many listings
// in flight hide that wait.
bool isLatencyBound(int fd)
{
    struct statfs fs;
    if (::fstatfs(fd, &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x65735546UL: // FUSE
    case 0x6969UL:     // NFS
    case 0x517BUL:     // SMB
    case 0xFF534D42UL: // CIFS
    case 0xFE534D42UL: // SMB2
    case 0x00C36400UL: // Ceph
    case 0x01021997UL: // 9P
    case 0x5346414FUL: // AFS
        return true;
    default: return false;
    }
}

// Opens a folder by path, also when the path is longer than the system takes in one call: then
// it is opened piece by piece, each piece relative to the folder before it. With `noFollow`, a
// symbolic link in place of the last component is refused.
int openFolderPath(const std::string &path, bool noFollow)
{
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    if (path.empty())
        return ::open("/", flags);
    if (path.size() < PATH_MAX - 1)
        return ::open(path.c_str(), flags | (noFollow ? O_NOFOLLOW : 0));
    int fd = AT_FDCWD;
    std::size_t pos = 0;
    while (pos < path.size()) {
        std::size_t end = path.size();
        if (end - pos > PATH_MAX / 2) {
            end = path.rfind('/', pos + PATH_MAX / 2);
            if (end == std::string::npos || end <= pos) {
                if (fd != AT_FDCWD)
                    ::close(fd);
                errno = ENAMETOOLONG;
                return -1;
            }
        }
        const std::string piece = path.substr(pos, end - pos);
        const bool last = end == path.size();
        const int next = ::openat(fd, piece.c_str(), flags | (last && noFollow ? O_NOFOLLOW : 0));
        const int saved = errno;
        if (fd != AT_FDCWD)
            ::close(fd);
        if (next < 0) {
            errno = saved;
            return -1;
        }
        fd = next;
        pos = end + 1;
    }
    return fd;
}

void fillMetadata(const struct stat &st, FileMetadata &out)
{
    out.size = qint64(st.st_size);
    out.modificationDate = QDateTime::fromMSecsSinceEpoch(
        qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000, QTimeZone::utc());
    out.identity = FileIdentity{std::uint64_t(st.st_dev), std::uint64_t(st.st_ino)};
}

// The folders from the root down to one folder, by identity, to recognise a folder that is its
// own ancestor.
struct Ancestry {
    FileIdentity identity;
    std::shared_ptr<const Ancestry> parent;
};

// A folder's place in the walk: the positions of the folders leading to it, each in its
// parent's sorted listing. Comparing places lexicographically gives the walk's order.
using Place = std::vector<std::uint32_t>;

struct Job {
    Place place;
    std::string path;
    std::shared_ptr<const Ancestry> parent;
};

struct JobAfter {
    bool operator()(const Job &a, const Job &b) const { return a.place > b.place; }
};

} // namespace

struct ListingEntry {
    std::uint32_t nameOffset = 0;
    std::uint32_t nameLength = 0;
    DirectoryWalk::Kind kind = DirectoryWalk::Kind::file;
    bool readable = true;
    std::int32_t metadataIndex = -1;
};

struct DirectoryWalk::Listing {
    Place place;
    std::string path;                  // this folder's path ("" for the root folder "/")
    std::string names;                 // the entries' names, each followed by a NUL
    std::vector<ListingEntry> entries; // in byte order of their names
    std::vector<FileMetadata> metadata;
    int error = 0;       // the folder could not be opened or listed
    bool entered = true; // false: a folder the walk leaves out without a word
    std::shared_ptr<const Ancestry> ancestry;

    std::string_view name(const ListingEntry &e) const { return {names.data() + e.nameOffset, e.nameLength}; }
};

struct DirectoryWalk::Shared {
    std::mutex mutex;
    std::condition_variable_any changed;
    std::priority_queue<Job, std::vector<Job>, JobAfter> pending; // earliest place first
    std::map<Place, std::unique_ptr<Listing>> done;
    Place wanted; // the place the caller waits for or took last: earlier ones are not needed
    bool shutdown = false;
    std::stop_token stop;
    std::unordered_set<FileIdentity, IdentityHash> excluded;
    std::unordered_set<std::uint64_t> systemDevices;
    std::function<bool(std::string_view)> wantsMetadata;
    std::vector<std::thread> threads;
    int threadLimit = 0; // 0: no threads, the caller lists every folder itself

    bool stopping() const { return shutdown || stop.stop_requested(); }
    std::unique_ptr<Listing> list(Job job, bool isRoot) const;
    void enqueueChildren(const Listing &listing);
    bool canTake();
    void work();
};

std::unique_ptr<DirectoryWalk::Listing> DirectoryWalk::Shared::list(Job job, bool isRoot) const
{
    auto listing = std::make_unique<Listing>();
    listing->place = std::move(job.place);
    listing->path = std::move(job.path);
    const int fd = openFolderPath(listing->path, !isRoot);
    if (fd < 0) {
        listing->error = errno;
        return listing;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    struct stat self;
    if (::fstat(fd, &self) != 0) {
        listing->error = errno;
        return listing;
    }
    const FileIdentity identity{std::uint64_t(self.st_dev), std::uint64_t(self.st_ino)};
    if (!isRoot) {
        const bool mountRoot = job.parent && job.parent->identity.volume != identity.volume;
        if (excluded.contains(identity) || (mountRoot && systemDevices.contains(identity.volume))) {
            listing->entered = false;
            return listing;
        }
        for (const Ancestry *a = job.parent.get(); a; a = a->parent.get()) {
            if (a->identity == identity) {
                listing->error = ELOOP;
                return listing;
            }
        }
    }
    listing->ancestry = std::make_shared<const Ancestry>(Ancestry{identity, std::move(job.parent)});

    std::vector<unsigned char> types;
    thread_local const std::unique_ptr<char[]> buffer(new char[kDirentBufferSize]);
    for (;;) {
        if (stopping())
            return listing;
        const long n = ::syscall(SYS_getdents64, fd, buffer.get(), kDirentBufferSize);
        if (n < 0) {
            listing->error = errno;
            listing->entries.clear();
            return listing;
        }
        if (n == 0)
            break;
        for (long pos = 0; pos < n;) {
            const auto *e = reinterpret_cast<const LinuxDirent64 *>(buffer.get() + pos);
            pos += e->d_reclen;
            if (e->d_name[0] == '.') // hidden entries, ".", ".."
                continue;
            const unsigned char type = e->d_type;
            if (type != DT_REG && type != DT_DIR && type != DT_LNK && type != DT_UNKNOWN)
                continue;
            const std::size_t length = std::strlen(e->d_name);
            ListingEntry entry;
            entry.nameOffset = std::uint32_t(listing->names.size());
            entry.nameLength = std::uint32_t(length);
            entry.kind = type == DT_DIR ? Kind::directory : type == DT_LNK ? Kind::symbolicLink : Kind::file;
            listing->entries.push_back(entry);
            types.push_back(type);
            listing->names.append(e->d_name, length + 1);
        }
    }

    // Types the file system did not give, and the metadata the caller will want.
    const Listing &l = *listing;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < listing->entries.size(); ++i) {
        if (i % kEntriesPerStopTest == 0 && stopping())
            return listing;
        ListingEntry entry = listing->entries[i];
        const char *name = listing->names.data() + entry.nameOffset;
        struct stat st;
        bool statted = false;
        if (types[i] == DT_UNKNOWN) {
            if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                entry.readable = false;
            } else if (S_ISREG(st.st_mode)) {
                entry.kind = Kind::file;
                statted = true;
            } else if (S_ISDIR(st.st_mode)) {
                entry.kind = Kind::directory;
            } else if (S_ISLNK(st.st_mode)) {
                entry.kind = Kind::symbolicLink;
            } else {
                continue; // FIFO, socket, device
            }
        }
        if (entry.readable && entry.kind == Kind::file && wantsMetadata && wantsMetadata(l.name(entry))) {
            if (statted || ::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
                FileMetadata m;
                fillMetadata(st, m);
                entry.metadataIndex = std::int32_t(listing->metadata.size());
                listing->metadata.push_back(std::move(m));
            } else {
                entry.readable = false;
            }
        }
        listing->entries[kept++] = entry;
    }
    listing->entries.resize(kept);
    // Listed ahead by threads, folders come in byte order of their names, so that the walk's
    // order never depends on which thread listed what. Listed by the caller, the folder's own
    // order is already fixed.
    if (threadLimit > 0)
        std::sort(listing->entries.begin(), listing->entries.end(),
                  [&l](const ListingEntry &a, const ListingEntry &b) { return l.name(a) < l.name(b); });
    return listing;
}

void DirectoryWalk::Shared::enqueueChildren(const Listing &listing)
{
    for (std::size_t i = 0; i < listing.entries.size(); ++i) {
        const ListingEntry &e = listing.entries[i];
        if (!e.readable || e.kind != Kind::directory)
            continue;
        Job job;
        job.place = listing.place;
        job.place.push_back(std::uint32_t(i));
        job.path.reserve(listing.path.size() + 1 + e.nameLength);
        job.path.append(listing.path).append(1, '/').append(listing.name(e));
        job.parent = listing.ancestry;
        pending.push(std::move(job));
    }
}

bool DirectoryWalk::Shared::canTake()
{
    while (!pending.empty() && pending.top().place < wanted)
        pending.pop(); // passed by the caller, or below a folder it skipped
    return !pending.empty() && (done.size() < kListingsAhead || pending.top().place == wanted);
}

void DirectoryWalk::Shared::work()
{
    std::unique_lock lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return stopping() || canTake(); });
        if (stopping())
            return;
        Job job = pending.top();
        pending.pop();
        lock.unlock();
        std::unique_ptr<Listing> listing = list(std::move(job), false);
        lock.lock();
        if (listing->place < wanted)
            continue;
        enqueueChildren(*listing);
        done.emplace(listing->place, std::move(listing));
        changed.notify_all();
    }
}

struct DirectoryWalk::Level {
    std::unique_ptr<Listing> listing;
    std::size_t index = 0; // entries reported so far
};

std::optional<FileIdentity> identityOfPath(const QString &path)
{
    struct stat st;
    if (path.isEmpty() || ::stat(encodePath(path).constData(), &st) != 0)
        return std::nullopt;
    return FileIdentity{std::uint64_t(st.st_dev), std::uint64_t(st.st_ino)};
}

DirectoryWalk::DirectoryWalk() = default;

DirectoryWalk::~DirectoryWalk()
{
    if (!m_shared)
        return;
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->shutdown = true;
    }
    m_shared->changed.notify_all();
    for (std::thread &t : m_shared->threads)
        t.join();
}

bool DirectoryWalk::open(const QString &root, ErrorHandler onError, Options options)
{
    if (m_shared) {
        {
            std::lock_guard lock(m_shared->mutex);
            m_shared->shutdown = true;
        }
        m_shared->changed.notify_all();
        for (std::thread &t : m_shared->threads)
            t.join();
    }
    m_onError = std::move(onError);
    m_stack.clear();
    m_hasCurrent = false;
    m_pathValid = false;

    m_shared = std::make_shared<Shared>();
    Shared &shared = *m_shared;
    shared.stop = options.stop;
    shared.excluded.insert(options.excludedFolders.begin(), options.excludedFolders.end());
    shared.wantsMetadata = std::move(options.wantsMetadata);
    shared.systemDevices = systemFileSystemDevices();

    Job rootJob;
    rootJob.path = encodePath(standardizedPath(root)).toStdString();
    if (rootJob.path == "/")
        rootJob.path.clear(); // children are "/name", not "//name"
    m_rootLength = rootJob.path.size();
    const std::string rootPath = rootJob.path;
    int threads = std::max(options.threads, 0);
    if (options.threads == 0) {
        const int fd = openFolderPath(rootPath, false);
        const bool slow = fd >= 0 && isLatencyBound(fd);
        if (fd >= 0)
            ::close(fd);
        // On a local disk a listing costs microseconds: the caller lists each folder itself, as
        // threads would only add hand-overs. Where every call waits for a server, many
        // listings in flight hide the waits.
        threads = slow ? 32 : 0;
    }
    shared.threadLimit = threads;
    std::unique_ptr<Listing> listing = shared.list(std::move(rootJob), true);
    if (listing->error != 0) {
        errno = listing->error;
        return false;
    }
    if (threads > 0) { // else the caller lists each folder when it gets there
        {
            std::lock_guard lock(shared.mutex);
            shared.enqueueChildren(*listing);
        }
        for (int i = 0; i < threads; ++i)
            shared.threads.emplace_back([&shared] { shared.work(); });
    }
    m_stack.push_back(Level{std::move(listing), 0});
    return true;
}

bool DirectoryWalk::open(const QString &root, ErrorHandler onError)
{
    return open(root, std::move(onError), Options());
}

int DirectoryWalk::threadCount() const
{
    return m_shared ? m_shared->threadLimit : 0;
}

const ListingEntry &DirectoryWalk::current() const
{
    const Level &level = m_stack.back();
    return level.listing->entries[level.index - 1];
}

void DirectoryWalk::descend()
{
    Level &parent = m_stack.back();
    Place place = parent.listing->place;
    place.push_back(std::uint32_t(parent.index - 1));
    const std::string path = currentPath();

    Shared &shared = *m_shared;
    std::unique_ptr<Listing> listing;
    if (shared.threadLimit == 0) {
        Job job{std::move(place), path, parent.listing->ancestry};
        listing = shared.list(std::move(job), false);
    } else {
        std::unique_lock lock(shared.mutex);
        shared.wanted = place;
        // Listings of folders the caller skipped are no longer needed.
        shared.done.erase(shared.done.begin(), shared.done.lower_bound(place));
        shared.changed.notify_all();
        const bool arrived = shared.changed.wait(lock, shared.stop,
                                                 [&] { return shared.shutdown || shared.done.contains(place); });
        if (!arrived || shared.shutdown)
            return;
        auto node = shared.done.extract(place);
        listing = std::move(node.mapped());
        shared.changed.notify_all();
    }
    if (listing->error != 0) {
        if (m_onError)
            m_onError(decodePath(path), listing->error);
        return;
    }
    if (!listing->entered)
        return;
    m_stack.push_back(Level{std::move(listing), 0});
}

bool DirectoryWalk::next()
{
    if (m_hasCurrent && !m_skipCurrent) {
        const ListingEntry &e = current();
        if (e.readable && e.kind == Kind::directory)
            descend();
    }
    m_hasCurrent = false;
    m_pathValid = false;
    m_skipCurrent = false;

    while (!m_stack.empty()) {
        if (m_shared->stop.stop_requested())
            return false;
        Level &level = m_stack.back();
        if (level.index >= level.listing->entries.size()) {
            m_stack.pop_back();
            continue;
        }
        ++level.index;
        m_hasCurrent = true;
        return true;
    }
    return false;
}

const std::string &DirectoryWalk::currentPath() const
{
    if (!m_pathValid) {
        const Listing &listing = *m_stack.back().listing;
        m_path.assign(listing.path);
        m_path.push_back('/');
        m_path.append(listing.name(current()));
        m_pathValid = true;
    }
    return m_path;
}

std::string_view DirectoryWalk::nameBytes() const
{
    return m_stack.back().listing->name(current());
}

QString DirectoryWalk::name() const
{
    return decodePath(nameBytes());
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

bool DirectoryWalk::valuesReadable() const
{
    return current().readable;
}

DirectoryWalk::Kind DirectoryWalk::kind() const
{
    return current().kind;
}

bool DirectoryWalk::metadataWanted() const
{
    return current().metadataIndex >= 0;
}

bool DirectoryWalk::readMetadata(FileMetadata &out) const
{
    if (m_stack.empty() || !m_hasCurrent)
        return false;
    const Listing &listing = *m_stack.back().listing;
    const ListingEntry &e = current();
    if (!e.readable)
        return false;
    if (e.metadataIndex >= 0) {
        out = listing.metadata[std::size_t(e.metadataIndex)];
        return true;
    }
    // Read relative to the folder, so that a path longer than the system takes still works.
    const int fd = openFolderPath(listing.path, false);
    if (fd < 0)
        return false;
    const std::string name(listing.name(e));
    struct stat st;
    const bool ok = ::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    ::close(fd);
    if (ok)
        fillMetadata(st, out);
    return ok;
}

} // namespace quillmore
