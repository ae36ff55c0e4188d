#pragma once

// The listing of one folder for DirectoryWalk: its entries' names and types, and the values
// (size, date, identity) of the files the caller will want. A listing is made in three steps,
// so that the values of a long folder on slow storage can be read by several threads at once:
// openListing reads the names, readEntryValues reads the values of a range of entries (ranges
// may be read concurrently), finishListing closes the folder and puts the entries in order.

#include "filewalk.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace quillmore::walkdetail {

// A folder's place in the walk: the positions of the folders leading to it, each in its
// parent's listing. Comparing places lexicographically gives the walk's order.
using Place = std::vector<std::uint32_t>;

// The folders from the root down to one folder, by identity, to recognise a folder that is its
// own ancestor.
struct Ancestry {
    FileIdentity identity;
    std::shared_ptr<const Ancestry> parent;
    bool latencyBound = false; // the folder lies on storage where every call waits
};

struct Job {
    Place place;
    std::string path;
    std::shared_ptr<const Ancestry> parent;
};

// Size, modification time and identity of a file, as read with its folder's listing.
struct EntryValues {
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int32_t modifiedNanoseconds = 0;
    FileIdentity identity;
};

struct ListingEntry {
    std::uint32_t nameOffset = 0;
    std::uint32_t nameLength = 0;
    DirectoryWalk::Kind kind = DirectoryWalk::Kind::file;
    bool readable = true;
    bool typeKnown = true;    // false: the file system gave no type, one read finds it
    bool special = false;     // a FIFO, socket or device: left out when the listing is finished
    std::int32_t values = -1; // index into Listing::values when the caller wants them
};

struct Listing {
    Place place;
    std::string path;                  // this folder's path ("" for the root folder "/")
    std::string names;                 // the entries' names, each followed by a NUL
    std::vector<ListingEntry> entries; // finished: in byte order of their names when ordered
    std::vector<EntryValues> values;
    int error = 0;       // the folder could not be opened or listed
    bool entered = true; // false: a folder the walk leaves out without a word
    bool pooled = false; // its folders are listed by the walk's threads
    std::shared_ptr<const Ancestry> ancestry;
    // While it is made: the open folder, and the entries whose values are still to be read.
    int fd = -1;
    std::vector<std::uint32_t> toRead;

    ~Listing();
    std::string_view name(const ListingEntry &e) const { return {names.data() + e.nameOffset, e.nameLength}; }
};

struct IdentityHash {
    std::size_t operator()(const FileIdentity &i) const noexcept
    {
        return std::hash<std::uint64_t>()(i.volume) ^ (std::hash<std::uint64_t>()(i.file) * 0x9e3779b97f4a7c15ULL);
    }
};

// What every listing of one walk goes by.
struct ListingRules {
    std::unordered_set<FileIdentity, IdentityHash> excluded;
    std::unordered_set<std::uint64_t> systemDevices;
    std::function<bool(std::string_view name)> wantsMetadata;
    // Whether a file system type (statfs f_type) waits on every call.
    std::function<bool(unsigned long type)> latencyBound;
};

// Storage whose every metadata call waits for a server or a user-space process: FUSE, NFS, SMB
// and the like, by their statfs type.
bool isLatencyBoundFileSystemType(unsigned long type);

// The devices of the mounted system file systems (proc, sysfs, ...), read from the mount table.
std::unordered_set<std::uint64_t> systemFileSystemDevices();

// Opens a folder by path, also when the path is longer than the system takes in one call. With
// `noFollow`, a symbolic link in place of the last component is refused. -1 with errno set.
int openFolderPath(const std::string &path, bool noFollow);

// Opens the job's folder and reads its entries' names and types. On return the listing either
// carries an error, is not to be entered, or holds the open folder with `toRead` naming the
// entries whose values are to be read. `stopping` is asked between reads of the folder.
std::unique_ptr<Listing> openListing(Job job, bool isRoot, const ListingRules &rules,
                                     const std::function<bool()> &stopping);

// Reads the values of the entries toRead[begin, end), until `stopping` says so. Safe to call for
// disjoint ranges at once.
void readEntryValues(Listing &listing, std::size_t begin, std::size_t end, const std::function<bool()> &stopping);

// Closes the folder, leaves out what is not to be reported and, when `ordered`, sorts the entries
// in byte order of their names.
void finishListing(Listing &listing, bool ordered);

void fillMetadata(const EntryValues &values, FileMetadata &out);

} // namespace quillmore::walkdetail
