// bench-copy [data-folder] [--rounds N]
//
// Measures the safe copy and the SHA-256 file hasher against the shell tools that give the same
// assurance, on the same files in the same run:
//   - copy, not verified:  SafeCopyService            vs  cp + sync
//   - copy, verified:      SafeCopyService (verify)   vs  cp + sync + openssl dgst of the sources
//                                                         + dd iflag=direct of each copy | openssl dgst
//   - hasher:              SHA256FileHasher           vs  openssl dgst -sha256 (file in memory)
// The data (2 GiB in 50 MiB files, and one 1 GiB file) is generated once into the data folder
// (default ./bench-data) and kept for later runs. Before every copy run the sources are dropped
// from the page cache, so each method reads them from the device. The best of the rounds counts;
// each round starts with another method.

#include "copying/safecopyservice.h"
#include "copying/sha256filehasher.h"
#include "platform/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace quillmore;

namespace {

constexpr qint64 MiB = 1048576;
constexpr qint64 kFileSize = 50 * MiB;
constexpr int kFileCount = 41; // 2050 MiB
constexpr qint64 kHashFileSize = 1024 * MiB;

void die(const QString &message)
{
    std::fprintf(stderr, "bench-copy: %s\n", qPrintable(message));
    std::exit(1);
}

// Fills a file with pseudo-random bytes (incompressible, never repeating), unless it is there
// with the right size already.
void ensureFile(const QString &path, qint64 size, quint64 seed)
{
    if (QFileInfo(path).size() == size)
        return;
    std::fprintf(stderr, "generating %s\n", qPrintable(path));
    const QString partial = path + QStringLiteral(".partial");
    const int fd = ::open(encodePath(partial).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        die(QStringLiteral("cannot create ") + partial);
    std::vector<quint64> block(MiB / 8);
    quint64 x = seed * 0x9E3779B97F4A7C15ull + 1;
    for (qint64 done = 0; done < size; done += MiB) {
        for (quint64 &word : block) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            word = x;
        }
        const std::size_t n = std::size_t(std::min(MiB, size - done));
        if (::write(fd, block.data(), n) != ssize_t(n))
            die(QStringLiteral("cannot write ") + partial);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0
        || ::rename(encodePath(partial).constData(), encodePath(path).constData()) != 0)
        die(QStringLiteral("cannot finish ") + path);
}

// Writes back anything pending and drops the files from the page cache.
void dropFromCache(const QStringList &files)
{
    ::sync();
    for (const QString &f : files) {
        const int fd = ::open(encodePath(f).constData(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
        }
    }
}

void readWhole(const QString &file)
{
    const int fd = ::open(encodePath(file).constData(), O_RDONLY | O_CLOEXEC);
    std::vector<char> buffer(MiB);
    while (fd >= 0 && ::read(fd, buffer.data(), buffer.size()) > 0) {
    }
    if (fd >= 0)
        ::close(fd);
}

void emptyFolder(const QString &folder)
{
    QDir(folder).removeRecursively();
    if (!QDir().mkpath(folder))
        die(QStringLiteral("cannot make ") + folder);
    ::sync();
}

QString shellQuote(const QString &s)
{
    QString q = s;
    q.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

double runShell(const QString &script)
{
    QElapsedTimer timer;
    timer.start();
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(QStringLiteral("/bin/bash"), {QStringLiteral("-c"), QStringLiteral("set -eo pipefail; ") + script});
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        die(QStringLiteral("baseline failed: ") + script);
    return timer.nsecsElapsed() / 1e9;
}

double mbPerSecond(qint64 bytes, double seconds)
{
    return bytes / 1e6 / seconds;
}

long maxRssKiB()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QString dataFolder = QStringLiteral("bench-data");
    int rounds = 1;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--rounds") && i + 1 < args.size())
            rounds = std::max(1, args[++i].toInt());
        else if (args[i].startsWith(QLatin1String("-")))
            die(QStringLiteral("usage: bench-copy [data-folder] [--rounds N]"));
        else
            dataFolder = args[i];
    }
    const QString data = standardizedPath(dataFolder);
    const QString sourceFolder = data + QStringLiteral("/copy-source");
    const QString targetFolder = data + QStringLiteral("/copy-target");
    const QString hashFile = data + QStringLiteral("/hash-1GiB.bin");
    if (!QDir().mkpath(sourceFolder))
        die(QStringLiteral("cannot make ") + sourceFolder);

    QStringList sources;
    QList<CopyTaskItem> tasks;
    qint64 totalBytes = 0;
    for (int i = 0; i < kFileCount; ++i) {
        const QString name = QStringLiteral("file-%1.bin").arg(i, 2, 10, QLatin1Char('0'));
        const QString source = sourceFolder + QLatin1Char('/') + name;
        ensureFile(source, kFileSize, quint64(i + 1));
        sources << source;
        CopyTaskItem t;
        t.id = QUuid::createUuid();
        t.sourceURL = source;
        t.destinationURL = targetFolder + QLatin1Char('/') + name;
        t.size = kFileSize;
        tasks << t;
        totalBytes += kFileSize;
    }
    ensureFile(hashFile, kHashFileSize, 1000);

    QString quotedSources;
    for (const QString &s : sources)
        quotedSources += QLatin1Char(' ') + shellQuote(s);
    const QString target = shellQuote(targetFolder);

    SafeCopyService service;
    const long rssBefore = maxRssKiB();
    auto copyRun = [&](bool verify) {
        QElapsedTimer timer;
        timer.start();
        const CopyBatchResult r = service.copyAll(tasks, totalBytes, verify, {}, {});
        const double seconds = timer.nsecsElapsed() / 1e9;
        for (const CopyFileOutcome &o : r.outcomes)
            if (o.status != CopyOutcomeStatus::copied)
                die(QStringLiteral("copy failed: ") + o.sourceURL + QStringLiteral(": ")
                    + o.message.value_or(QString()));
        if (r.outcomes.size() != tasks.size())
            die(QStringLiteral("copy incomplete"));
        return seconds;
    };
    // "sync" of the copies and their folder (fsync of each), the same flush the copier does; a
    // bare "sync" would also wait for every other program's pending writes on a shared machine.
    const QString cpSync = QStringLiteral("cp --") + quotedSources + QLatin1Char(' ') + target
        + QStringLiteral(" && sync -- ") + target + QStringLiteral("/* ") + target;
    const QString cpSyncVerify = cpSync + QStringLiteral(" && openssl dgst -sha256") + quotedSources
        + QStringLiteral(" && for f in ") + target
        + QStringLiteral("/*; do dd if=\"$f\" iflag=direct bs=1M status=none"
                         " | openssl dgst -sha256; done");

    struct Method {
        const char *name;
        std::function<double()> run;
        double best = 1e30;
    };
    Method methods[] = {
        {"cp + sync", [&] { return runShell(cpSync); }},
        {"SafeCopyService, verify off", [&] { return copyRun(false); }},
        {"cp + sync + openssl (sources) + dd iflag=direct | openssl (copies)", [&] { return runShell(cpSyncVerify); }},
        {"SafeCopyService, verify on", [&] { return copyRun(true); }},
    };
    std::fprintf(stderr, "copying %d files, %lld MiB, %d round(s)\n", kFileCount, totalBytes / MiB, rounds);
    for (int round = 0; round < rounds; ++round) {
        for (int k = 0; k < 4; ++k) { // each round starts with another method
            Method &m = methods[(k + round) % 4];
            emptyFolder(targetFolder);
            dropFromCache(sources);
            const double seconds = m.run();
            m.best = std::min(m.best, seconds);
            std::fprintf(stderr, "  round %d  %-68s %8.1f MB/s\n", round + 1, m.name, mbPerSecond(totalBytes, seconds));
        }
    }
    emptyFolder(targetFolder);
    const long rssGrowth = maxRssKiB() - rssBefore;

    // Hasher, file in memory: the digest's own speed.
    SHA256FileHasher hasher;
    readWhole(hashFile);
    double hasherBest = 1e30, opensslBest = 1e30;
    QString ours, theirs;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer timer;
        timer.start();
        ours = hasher.sha256Hex(hashFile, {});
        hasherBest = std::min(hasherBest, timer.nsecsElapsed() / 1e9);
        opensslBest = std::min(opensslBest, runShell(QStringLiteral("openssl dgst -sha256 ") + shellQuote(hashFile)));
    }
    {
        QProcess p;
        p.start(QStringLiteral("openssl"),
                {QStringLiteral("dgst"), QStringLiteral("-sha256"), QStringLiteral("-r"), hashFile});
        p.waitForFinished(-1);
        theirs = QString::fromLatin1(p.readAllStandardOutput()).section(QLatin1Char(' '), 0, 0);
    }
    if (ours != theirs)
        die(QStringLiteral("digests differ: ") + ours + QStringLiteral(" vs ") + theirs);

    std::printf("\nthroughput (MB = 10^6 bytes; copies: %d x 50 MiB from a cold cache; best of %d)\n", kFileCount,
                rounds);
    for (const Method &m : methods)
        std::printf("  %-70s %8.1f MB/s\n", m.name, mbPerSecond(totalBytes, m.best));
    std::printf("  %-70s %8.1f MB/s\n", "SHA256FileHasher (1 GiB, in memory)", mbPerSecond(kHashFileSize, hasherBest));
    std::printf("  %-70s %8.1f MB/s\n", "openssl dgst -sha256 (1 GiB, in memory)",
                mbPerSecond(kHashFileSize, opensslBest));
    std::printf("  peak memory growth during the copies: %ld KiB\n", rssGrowth);
    std::printf("\nratios (target in brackets)\n");
    std::printf("  verify off: SafeCopyService / (cp + sync)             %.2f  (>= 0.90)\n",
                methods[0].best / methods[1].best);
    std::printf("  verify on:  SafeCopyService / (cp + sync + dd + dgst) %.2f  (>= 0.90)\n",
                methods[2].best / methods[3].best);
    std::printf("  hasher:     SHA256FileHasher / openssl dgst            %.2f  (>= 0.95)\n", opensslBest / hasherBest);
    return 0;
}
