#include "folderlisting.h"

#include <QTimeZone>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace quillmore::walkdetail {

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

// Values are taken as the file system last gave them: right after the lookup that finds the
// entry, which already brought them. Asking the server again would double the waits on a
// network share, for no newer answer. Automounts below the folder are not set off.
constexpr int kEntryReadFlags = AT_SYMLINK_NOFOLLOW | AT_STATX_DONT_SYNC | AT_NO_AUTOMOUNT;
constexpr unsigned kEntryReadMask = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_MTIME | STATX_INO;

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

FileIdentity identityOf(const struct statx &st)
{
    return FileIdentity{std::uint64_t(makedev(st.stx_dev_major, st.stx_dev_minor)), std::uint64_t(st.stx_ino)};
}

} // namespace

Listing::~Listing()
{
    if (fd >= 0)
        ::close(fd);
}

bool isLatencyBoundFileSystemType(unsigned long type)
{
    switch (type) {
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

int openFolderPath(const std::string &path, bool noFollow)
{
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    if (path.empty())
        return ::open("/", flags);
    if (path.size() < PATH_MAX - 1)
        return ::open(path.c_str(), flags | (noFollow ? O_NOFOLLOW : 0));
    // Too long for one call: opened piece by piece, each piece relative to the folder before it.
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

std::unique_ptr<Listing> openListing(Job job, bool isRoot, const ListingRules &rules,
                                     const std::function<bool()> &stopping)
{
    using Kind = DirectoryWalk::Kind;
    auto listing = std::make_unique<Listing>();
    listing->place = std::move(job.place);
    listing->path = std::move(job.path);
    listing->fd = openFolderPath(listing->path, !isRoot);
    if (listing->fd < 0) {
        listing->error = errno;
        return listing;
    }
    const int fd = listing->fd;

    struct statx self;
    if (::statx(fd, "", AT_EMPTY_PATH | AT_STATX_DONT_SYNC, STATX_INO, &self) != 0) {
        listing->error = errno;
        return listing;
    }
    const FileIdentity identity = identityOf(self);
    const Ancestry *parent = job.parent.get();
    const bool mountRoot = !parent || parent->identity.volume != identity.volume;
    if (!isRoot) {
        if (rules.excluded.contains(identity) || (mountRoot && rules.systemDevices.contains(identity.volume))) {
            listing->entered = false;
            return listing;
        }
        for (const Ancestry *a = parent; a; a = a->parent.get()) {
            if (a->identity == identity) {
                listing->error = ELOOP;
                return listing;
            }
        }
    }
    // The kind of storage is asked where the walk meets a new file system, not at every folder.
    bool latencyBound = parent && parent->latencyBound;
    if (mountRoot) {
        struct statfs fs;
        latencyBound = ::fstatfs(fd, &fs) == 0 && rules.latencyBound
            && rules.latencyBound(static_cast<unsigned long>(fs.f_type));
    }
    listing->ancestry = std::make_shared<const Ancestry>(Ancestry{identity, std::move(job.parent), latencyBound});

    thread_local const std::unique_ptr<char[]> buffer(new char[kDirentBufferSize]);
    for (;;) {
        if (stopping())
            return listing;
        const long n = ::syscall(SYS_getdents64, fd, buffer.get(), kDirentBufferSize);
        if (n < 0) {
            listing->error = errno;
            listing->entries.clear();
            listing->toRead.clear();
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
            entry.typeKnown = type != DT_UNKNOWN;
            if ((type == DT_REG || type == DT_UNKNOWN) && rules.wantsMetadata
                && rules.wantsMetadata(std::string_view(e->d_name, length))) {
                entry.values = std::int32_t(listing->values.size());
                listing->values.emplace_back();
            }
            if (!entry.typeKnown || entry.values >= 0)
                listing->toRead.push_back(std::uint32_t(listing->entries.size()));
            listing->entries.push_back(entry);
            listing->names.append(e->d_name, length + 1);
        }
    }

    // A folder that can be listed but not entered: its entries' values cannot be read. Where
    // every entry is read anyway, each read tells.
    if (listing->toRead.size() < listing->entries.size() && ::faccessat(fd, "", X_OK, AT_EACCESS | AT_EMPTY_PATH) != 0
        && errno == EACCES) {
        for (ListingEntry &e : listing->entries) {
            e.readable = false;
            e.values = -1;
        }
        listing->toRead.clear();
    }
    return listing;
}

void readEntryValues(Listing &listing, std::size_t begin, std::size_t end, const std::function<bool()> &stopping)
{
    using Kind = DirectoryWalk::Kind;
    for (std::size_t i = begin; i < end; ++i) {
        if (stopping())
            return;
        ListingEntry &entry = listing.entries[listing.toRead[i]];
        struct statx st;
        if (::statx(listing.fd, listing.names.data() + entry.nameOffset, kEntryReadFlags, kEntryReadMask, &st) != 0) {
            entry.readable = false;
            entry.values = -1;
            continue;
        }
        if (!entry.typeKnown) {
            if (S_ISREG(st.stx_mode))
                entry.kind = Kind::file;
            else if (S_ISDIR(st.stx_mode))
                entry.kind = Kind::directory;
            else if (S_ISLNK(st.stx_mode))
                entry.kind = Kind::symbolicLink;
            else
                entry.special = true;
            entry.typeKnown = true;
        }
        if (entry.values < 0)
            continue;
        if (entry.kind != Kind::file || entry.special) {
            entry.values = -1;
            continue;
        }
        EntryValues &v = listing.values[std::size_t(entry.values)];
        v.size = std::int64_t(st.stx_size);
        v.modifiedSeconds = st.stx_mtime.tv_sec;
        v.modifiedNanoseconds = std::int32_t(st.stx_mtime.tv_nsec);
        v.identity = identityOf(st);
    }
}

void finishListing(Listing &listing, bool ordered)
{
    if (listing.fd >= 0) {
        ::close(listing.fd);
        listing.fd = -1;
    }
    listing.toRead = {};
    auto &entries = listing.entries;
    entries.erase(std::remove_if(entries.begin(), entries.end(), [](const ListingEntry &e) { return e.special; }),
                  entries.end());
    if (ordered) {
        const Listing &l = listing;
        std::sort(entries.begin(), entries.end(),
                  [&l](const ListingEntry &a, const ListingEntry &b) { return l.name(a) < l.name(b); });
    }
}

void fillMetadata(const EntryValues &values, FileMetadata &out)
{
    out.size = qint64(values.size);
    out.modificationDate = QDateTime::fromMSecsSinceEpoch(
        qint64(values.modifiedSeconds) * 1000 + values.modifiedNanoseconds / 1000000, QTimeZone::utc());
    out.identity = values.identity;
}

} // namespace quillmore::walkdetail
