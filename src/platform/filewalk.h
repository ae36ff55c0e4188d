#pragma once

// A recursive walk of a folder that reads each directory's entries with their types and reads
// further metadata (size, dates, identity) only for the entries that ask for it. Hidden entries
// (names that begin with a full stop) are never reported. Symbolic links are reported but never
// followed. Folders are descended into after they are reported, unless the caller skips them.
// Entries that are neither regular files, folders nor symbolic links (FIFOs, sockets, devices)
// are not reported: they are not pictures, and reading one could block.
//
// On network and FUSE file systems, folders are listed ahead of the caller by a bounded pool of
// threads, so that the waits for the server overlap, and the entries of a long folder there are
// read by several threads at once; on local disks the caller lists each folder itself. The kind
// of storage is judged file system by file system, so a share mounted below a local folder gets
// the threads too. What the caller sees never depends on timing: folders come depth first, a
// folder's entries in the order the file system keeps them (listed by threads: in byte order of
// their names), and problems are reported when the walk reaches the place where they arose.
// Memory stays bounded: only a fixed number of folders are listed ahead of the caller, and each
// listing holds one descriptor, only while it is being read.
//
// The values of an entry are those the file system gave with the lookup that found it: on a
// share that caches them, they may be as old as its cache allows.
//
// Folders are not entered when they are one of the excluded folders (compared by device and
// inode, whatever path reaches them), the root of a system file system (proc, sysfs, devtmpfs,
// cgroup and the like), or a folder that contains itself (a loop made by a bind mount). Drives
// mounted below the walked folder are walked.
//
// Every path is the walked folder's path joined with the names below it, so when the root is
// standardised every reported path is too.

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace quillmore {

namespace walkdetail {
struct Listing;
struct ListingEntry;
} // namespace walkdetail

struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    bool operator==(const FileIdentity &) const = default;
};

struct FileMetadata {
    std::optional<qint64> size;
    std::optional<QDateTime> modificationDate;
    std::optional<FileIdentity> identity;
};

// The identity (device and inode) of the folder or file at the path, links followed; nothing when
// it cannot be read.
std::optional<FileIdentity> identityOfPath(const QString &path);

class DirectoryWalk {
public:
    enum class Kind { file, directory, symbolicLink };

    // Called for an entry the walk cannot read (a folder it cannot open or list), with the
    // entry's path and the error number; the walk then goes on with the next entry. Always
    // called on the thread that calls next().
    using ErrorHandler = std::function<void(const QString &path, int error)>;

    struct Options {
        // Folders never entered (nor reported as errors), by identity.
        std::vector<FileIdentity> excludedFolders;
        // For a file's name: whether its metadata will be wanted. Those files' metadata is read
        // along with the listing; a file whose metadata cannot be read then counts as
        // unreadable. Called on the walk's own threads, so it must be safe to call concurrently.
        std::function<bool(std::string_view name)> wantsMetadata;
        // Stops the walk: next() returns false soon after a stop is asked for, also in the
        // middle of a long listing.
        std::stop_token stop;
        // Threads that list folders ahead of the caller: 0 chooses by the kind of storage, file
        // system by file system (none on local disks, where the caller lists each folder
        // itself; many from the first folder on network or FUSE storage down); -1 none; more
        // than 0 that many for every folder.
        int threads = 0;
        // Whether a file system, by its statfs type, makes every call wait (a network share, a
        // FUSE file system). Empty: the walk's own list of such types.
        std::function<bool(unsigned long type)> latencyBound;
    };

    DirectoryWalk();
    ~DirectoryWalk();
    DirectoryWalk(const DirectoryWalk &) = delete;
    DirectoryWalk &operator=(const DirectoryWalk &) = delete;

    // Opens the walk of `root`. False, with errno set, when the folder cannot be opened.
    bool open(const QString &root, ErrorHandler onError, Options options);
    bool open(const QString &root, ErrorHandler onError);

    // Moves to the next entry; false at the end, or when the walk was stopped. Before moving
    // on, descends into the current entry when it is a folder that was not skipped.
    bool next();

    // The current entry.
    std::string_view nameBytes() const; // last component, as on disk
    QString name() const;               // decoded (see decodePath)
    QString path() const;               // root joined with the names below it
    std::string_view pathBytes() const;
    std::string_view relativePathBytes() const; // below the root, without a leading slash
    // False when the entry's values could not be read (the entry vanished, the file system
    // refused, or its folder can be listed but not entered); its kind is then unknown and it
    // should be treated as unreadable.
    bool valuesReadable() const;
    Kind kind() const;
    // True when the options' wantsMetadata said yes for this file (its values were read with the
    // listing).
    bool metadataWanted() const;
    // Size, modification date and identity. False when they cannot be read.
    bool readMetadata(FileMetadata &out) const;

    // Do not descend into the current entry.
    void skipDescendants() { m_skipCurrent = true; }

    // The number of listing threads the walk has started so far; 0 while the caller lists.
    int threadCount() const;

    struct Shared;

private:
    void descend();
    const std::string &currentPath() const;
    const walkdetail::ListingEntry &current() const;

    ErrorHandler m_onError;
    std::shared_ptr<Shared> m_shared;
    struct Level;
    std::vector<Level> m_stack;
    std::size_t m_rootLength = 0;
    mutable std::string m_path; // the current entry's path, made when first asked for
    mutable bool m_pathValid = false;
    bool m_hasCurrent = false;
    bool m_skipCurrent = false;
};

} // namespace quillmore
