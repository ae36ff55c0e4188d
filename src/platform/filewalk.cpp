#include "filewalk.h"

#include "folderlisting.h"
#include "paths.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <map>
#include <mutex>
#include <queue>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace quillmore {

using namespace walkdetail;

namespace {

// Folders listed ahead of the caller, at most. Each holds its names, not a descriptor.
constexpr std::size_t kListingsAhead = 256;
// Listing threads on storage where every call waits: enough to keep a server's queue full.
constexpr int kLatencyBoundThreads = 32;
// On slow storage a folder's entries are read in batches of this size by whichever threads are
// free.
constexpr std::size_t kEntriesPerBatch = 16;

struct JobAfter {
    bool operator()(const Job &a, const Job &b) const { return a.place > b.place; }
};

// A folder's values being read in batches by several threads.
struct ValueReading {
    Listing *listing = nullptr;
    std::size_t batches = 0;
    std::atomic<std::size_t> next{0}; // the next batch to hand out
    std::size_t finished = 0;         // batches read (under the walk's mutex)
};

} // namespace

struct DirectoryWalk::Shared {
    std::mutex mutex;
    std::condition_variable_any changed;
    std::priority_queue<Job, std::vector<Job>, JobAfter> pending; // earliest place first
    std::map<Place, std::unique_ptr<walkdetail::Listing>> done;
    std::vector<ValueReading *> readings;
    Place wanted; // the place the caller waits for or listed last: earlier ones are not needed
    std::atomic<bool> shutdown{false};
    std::stop_token stop;
    ListingRules rules;
    std::vector<std::thread> threads; // started and joined by the caller's thread only
    std::atomic<bool> poolStarted{false};
    int poolSize = 0;         // threads started when the walk meets slow storage; 0: never
    bool everyFolder = false; // the pool lists every folder, whatever the storage

    bool stopping() const { return shutdown.load(std::memory_order_relaxed) || stop.stop_requested(); }
    const std::function<bool()> stopTest = [this] { return stopping(); };
    std::unique_ptr<walkdetail::Listing> list(Job job, bool isRoot, bool byPool);
    void readValues(walkdetail::Listing &listing);
    void startPool();
    void handOverChildren(const walkdetail::Listing &listing);
    void enqueueChildren(const walkdetail::Listing &listing);
    bool canTake();
    ValueReading *batchToHelp();
    void work();
    void end();
};

std::unique_ptr<walkdetail::Listing> DirectoryWalk::Shared::list(Job job, bool isRoot, bool byPool)
{
    std::unique_ptr<walkdetail::Listing> listing = openListing(std::move(job), isRoot, rules, stopTest);
    if (listing->error != 0 || !listing->entered)
        return listing;
    const bool latencyBound = listing->ancestry->latencyBound;
    // The walk's threads take over below the first folder met on slow storage.
    if (latencyBound && poolSize > 0 && !poolStarted.load())
        startPool();
    readValues(*listing);
    // Folders whose children the threads list come in byte order of their names, so that the
    // walk's order never depends on which thread listed what. Listed by the caller, a folder's
    // own order is already fixed.
    listing->pooled = poolSize > 0 && (everyFolder || byPool || latencyBound);
    finishListing(*listing, listing->pooled);
    return listing;
}

void DirectoryWalk::Shared::readValues(walkdetail::Listing &listing)
{
    const std::size_t count = listing.toRead.size();
    if (!listing.ancestry->latencyBound || !poolStarted.load() || count <= kEntriesPerBatch) {
        readEntryValues(listing, 0, count, stopTest);
        return;
    }
    // Every call waits: the batches are read by this thread and any that are free.
    ValueReading reading;
    reading.listing = &listing;
    reading.batches = (count + kEntriesPerBatch - 1) / kEntriesPerBatch;
    {
        std::lock_guard lock(mutex);
        readings.push_back(&reading);
    }
    changed.notify_all();
    std::size_t claimed = 0;
    while ((claimed = reading.next.fetch_add(1)) < reading.batches) {
        readEntryValues(listing, claimed * kEntriesPerBatch, std::min(count, (claimed + 1) * kEntriesPerBatch),
                        stopTest);
        std::lock_guard lock(mutex);
        ++reading.finished;
    }
    // Batches in other threads' hands use the listing: they are waited for, also on a stop.
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return reading.finished == reading.batches; });
    std::erase(readings, &reading);
}

void DirectoryWalk::Shared::startPool()
{
    poolStarted.store(true);
    for (int i = 0; i < poolSize; ++i)
        threads.emplace_back([this] { work(); });
}

void DirectoryWalk::Shared::handOverChildren(const walkdetail::Listing &listing)
{
    if (!listing.pooled)
        return;
    if (!poolStarted.load())
        startPool();
    {
        std::lock_guard lock(mutex);
        enqueueChildren(listing);
    }
    changed.notify_all();
}

void DirectoryWalk::Shared::enqueueChildren(const walkdetail::Listing &listing)
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

ValueReading *DirectoryWalk::Shared::batchToHelp()
{
    for (ValueReading *r : readings)
        if (r->next.load() < r->batches)
            return r;
    return nullptr;
}

void DirectoryWalk::Shared::work()
{
    std::unique_lock lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return stopping() || batchToHelp() || canTake(); });
        if (stopping())
            return;
        // Batches of a folder under way first: the caller may be waiting for that folder.
        if (ValueReading *reading = batchToHelp()) {
            const std::size_t batch = reading->next.fetch_add(1);
            if (batch >= reading->batches)
                continue;
            lock.unlock();
            const std::size_t count = reading->listing->toRead.size();
            readEntryValues(*reading->listing, batch * kEntriesPerBatch,
                            std::min(count, (batch + 1) * kEntriesPerBatch), stopTest);
            lock.lock();
            if (++reading->finished == reading->batches)
                changed.notify_all();
            continue;
        }
        Job job = pending.top();
        pending.pop();
        lock.unlock();
        std::unique_ptr<walkdetail::Listing> listing = list(std::move(job), false, true);
        lock.lock();
        if (listing->place < wanted)
            continue;
        enqueueChildren(*listing);
        done.emplace(listing->place, std::move(listing));
        changed.notify_all();
    }
}

void DirectoryWalk::Shared::end()
{
    shutdown.store(true);
    {
        std::lock_guard lock(mutex); // no thread misses the change between its test and its wait
    }
    changed.notify_all();
    for (std::thread &t : threads)
        t.join();
    threads.clear();
}

struct DirectoryWalk::Level {
    std::unique_ptr<walkdetail::Listing> listing;
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
    if (m_shared)
        m_shared->end();
}

bool DirectoryWalk::open(const QString &root, ErrorHandler onError, Options options)
{
    if (m_shared)
        m_shared->end();
    m_onError = std::move(onError);
    m_stack.clear();
    m_hasCurrent = false;
    m_pathValid = false;

    m_shared = std::make_shared<Shared>();
    Shared &shared = *m_shared;
    shared.stop = options.stop;
    shared.rules.excluded.insert(options.excludedFolders.begin(), options.excludedFolders.end());
    shared.rules.wantsMetadata = std::move(options.wantsMetadata);
    shared.rules.latencyBound = options.latencyBound ? std::move(options.latencyBound)
                                                     : std::function<bool(unsigned long)>(isLatencyBoundFileSystemType);
    shared.rules.systemDevices = systemFileSystemDevices();
    // On a local disk a listing costs microseconds: the caller lists each folder itself, as
    // threads would only add hand-overs. Where every call waits for a server, many listings in
    // flight hide the waits: the threads start when the walk first meets such storage, at the
    // root or at a share mounted below it.
    shared.poolSize = options.threads == 0 ? kLatencyBoundThreads : std::max(options.threads, 0);
    shared.everyFolder = options.threads > 0;

    Job rootJob;
    rootJob.path = encodePath(standardizedPath(root)).toStdString();
    if (rootJob.path == "/")
        rootJob.path.clear(); // children are "/name", not "//name"
    m_rootLength = rootJob.path.size();
    std::unique_ptr<walkdetail::Listing> listing = shared.list(std::move(rootJob), true, false);
    if (listing->error != 0) {
        errno = listing->error;
        return false;
    }
    shared.handOverChildren(*listing);
    m_stack.push_back(Level{std::move(listing), 0});
    return true;
}

bool DirectoryWalk::open(const QString &root, ErrorHandler onError)
{
    return open(root, std::move(onError), Options());
}

int DirectoryWalk::threadCount() const
{
    return m_shared ? int(m_shared->threads.size()) : 0;
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
    std::unique_ptr<walkdetail::Listing> listing;
    if (!parent.listing->pooled) {
        if (shared.poolStarted.load()) {
            // Listings the threads made ahead for folders now passed are no longer needed.
            std::lock_guard lock(shared.mutex);
            shared.wanted = place;
            shared.done.erase(shared.done.begin(), shared.done.lower_bound(place));
        }
        listing = shared.list(Job{std::move(place), path, parent.listing->ancestry}, false, false);
        if (listing->error == 0 && listing->entered)
            shared.handOverChildren(*listing);
    } else {
        std::unique_lock lock(shared.mutex);
        shared.wanted = place;
        // Listings of folders the caller skipped are no longer needed.
        shared.done.erase(shared.done.begin(), shared.done.lower_bound(place));
        shared.changed.notify_all();
        const bool arrived = shared.changed.wait(lock, shared.stop,
                                                 [&] { return shared.shutdown.load() || shared.done.contains(place); });
        if (!arrived || shared.shutdown.load())
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
    if (!listing->entered || shared.stopping())
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
        const walkdetail::Listing &listing = *m_stack.back().listing;
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
    return current().values >= 0;
}

bool DirectoryWalk::readMetadata(FileMetadata &out) const
{
    if (m_stack.empty() || !m_hasCurrent)
        return false;
    const walkdetail::Listing &listing = *m_stack.back().listing;
    const ListingEntry &e = current();
    if (!e.readable)
        return false;
    if (e.values >= 0) {
        fillMetadata(listing.values[std::size_t(e.values)], out);
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
    if (ok) {
        EntryValues values;
        values.size = std::int64_t(st.st_size);
        values.modifiedSeconds = st.st_mtim.tv_sec;
        values.modifiedNanoseconds = std::int32_t(st.st_mtim.tv_nsec);
        values.identity = FileIdentity{std::uint64_t(st.st_dev), std::uint64_t(st.st_ino)};
        fillMetadata(values, out);
    }
    return ok;
}

} // namespace quillmore
