#pragma once

// The value records and enumerations every part of Quillmore passes around. Plain values:
// copied, never shared. A file location ("file URL") is an absolute path held as a QString in
// standardised form (see platform/paths.h).

#include "model/failure.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmore {

using FileURL = QString;

// A new random identifier for a record.
QUuid makeId();

// ---- enumerations -------------------------------------------------------------------------

enum class SearchTarget { raw, jpeg };
enum class SelectionStatus {
    found,
    notFound,
    ambiguous,
    manuallyResolved,
    existsAtDestination,
    readyToCopy,
    copied,
    skipped,
    failed
};
enum class ConflictPolicy { skip, keepNumbered };
enum class CopyFileKind { raw, jpeg, xmp };
enum class CopyPreflightIssueKind { alreadyExists, nameConflict, sourceUnavailable, insufficientSpace };
enum class CopyOutcomeStatus { copied, skipped, failed };
// Why a file could not be copied, told from the error the system gave.
enum class CopyFailureCause {
    other,
    sourceMissing,       // the card or folder holding the file is gone
    destinationMissing,  // the destination folder or drive is gone
    destinationReadOnly, // the destination cannot be written to
    diskFull,
    alreadyExists, // a file took the name first
    notVerified    // the copy could not be confirmed on the device
};
enum class QualityFlag { possibleUnsharp, duplicate, fileCheck };
enum class QualityCheckSkip { blurNotAssessed, fileCheckNotAssessed };
enum class WorkflowStage { setup, scanning, summary, copying, completed };
enum class SelectionInputMode { folder, screenshots };

inline size_t qHash(QualityFlag v, size_t seed = 0) noexcept
{
    return ::qHash(int(v), seed);
}
inline size_t qHash(QualityCheckSkip v, size_t seed = 0) noexcept
{
    return ::qHash(int(v), seed);
}
inline size_t qHash(CopyFileKind v, size_t seed = 0) noexcept
{
    return ::qHash(int(v), seed);
}

// Raw values. Every enumeration that is stored, compared or written has a raw value; decoding
// an unknown text yields no value, and the caller falls back to its default.
QString rawValue(SearchTarget v);
QString rawValue(SelectionStatus v);
QString rawValue(ConflictPolicy v);
QString rawValue(CopyFileKind v);
QString rawValue(CopyPreflightIssueKind v);
QString rawValue(CopyOutcomeStatus v);
QString rawValue(CopyFailureCause v);
QString rawValue(QualityFlag v);
QString rawValue(QualityCheckSkip v);

std::optional<SearchTarget> searchTargetFromRaw(const QString &raw);
std::optional<SelectionStatus> selectionStatusFromRaw(const QString &raw);
std::optional<ConflictPolicy> conflictPolicyFromRaw(const QString &raw);
std::optional<CopyFileKind> copyFileKindFromRaw(const QString &raw);
std::optional<CopyPreflightIssueKind> copyPreflightIssueKindFromRaw(const QString &raw);
std::optional<CopyOutcomeStatus> copyOutcomeStatusFromRaw(const QString &raw);
std::optional<QualityFlag> qualityFlagFromRaw(const QString &raw);
std::optional<QualityCheckSkip> qualityCheckSkipFromRaw(const QString &raw);

// All cases, in declaration order, for the enumerations that are listable.
QList<SearchTarget> allSearchTargets();
QList<SelectionStatus> allSelectionStatuses();
QList<ConflictPolicy> allConflictPolicies();
QList<QualityFlag> allQualityFlags();
QList<QualityCheckSkip> allQualityCheckSkips();

// ---- accepted file extensions ---------------------------------------------------------------

const QSet<QString> &rawExtensions();             // 15 camera RAW extensions
const QSet<QString> &jpegExtensions();            // "jpg", "jpeg"
const QSet<QString> &screenshotImageExtensions(); // "png", "jpg", "jpeg", "heic"
const QSet<QString> &candidateExtensions(SearchTarget target);

// The one extension rule. A file name's extension is what follows its last full stop; a name
// without a full stop, or whose only full stop begins it (".jpg", a hidden file), has none. The
// result is the position of that full stop, or -1. Works on a QString, a QStringView or the
// name's bytes (std::string_view).
template <typename Name>
qsizetype extensionDot(const Name &fileName)
{
    for (qsizetype i = qsizetype(fileName.size()) - 1; i > 0; --i)
        if (fileName[i] == u'.')
            return i;
    return -1;
}

// A set of extensions (lower-case ASCII, as the sets above), tested against file names by the
// rule above, letters compared without regard to case: ".JPG" and ".Jpeg" count, ".jpe" does not.
// The test on a name's bytes neither allocates nor decodes.
class ExtensionSet {
public:
    explicit ExtensionSet(const QSet<QString> &extensions);
    bool contains(QStringView fileName) const;
    bool contains(std::string_view fileName) const;

private:
    bool containsExtension(std::string_view lowerCase) const;
    std::vector<std::uint64_t> m_extensions; // each up to 8 bytes, packed into one number
    std::vector<std::string> m_longExtensions;
};

// True when the file name's extension is in the set (ExtensionSet's rule).
bool hasExtensionIn(QStringView fileName, const QSet<QString> &extensions);

// ---- records --------------------------------------------------------------------------------

struct SelectedJPEG {
    QUuid id;
    QString fileName;
    std::optional<FileURL> localURL;
    QList<FileURL> sourceScreenshotURLs;
    QStringList rawVisionRecognizedStrings;
    QString baseName;

    // The local file's path; otherwise the name with its screenshots in brackets; otherwise the
    // name alone.
    QString displayName() const;
    // The screenshots' file names joined by "; ".
    QString screenshotSourceNames() const;

    bool operator==(const SelectedJPEG &) const = default;
};

struct RawCandidate {
    FileURL url;
    qint64 size = 0;
    std::optional<QDateTime> modificationDate;
    std::optional<qint64> pixelWidth;
    std::optional<qint64> pixelHeight;

    bool operator==(const RawCandidate &) const = default;
    // Lists identify a candidate by its location alone.
    bool sameRow(const RawCandidate &other) const { return url == other.url; }
};

struct SelectionResult {
    SelectedJPEG selection;
    QList<RawCandidate> candidates;
    std::optional<FileURL> chosenRAW;
    std::optional<FileURL> destinationURL;
    SelectionStatus status = SelectionStatus::notFound;
    std::optional<QString> message;

    QUuid id() const { return selection.id; }
    bool operator==(const SelectionResult &) const = default;
};

struct SearchLocation {
    QUuid id;
    FileURL url;
    bool requiresReauthorization = false;

    bool operator==(const SearchLocation &) const = default;
};

struct AppWarning {
    QUuid id;
    std::optional<FileURL> url;
    QString message;

    bool operator==(const AppWarning &) const = default;
};

// A warning with a new identifier and the localised text of the key.
AppWarning makeWarning(const std::optional<FileURL> &url, const char *messageKey);

struct ScanProgress {
    std::optional<FileURL> currentLocation;
    qint64 checkedFiles = 0;
    qint64 foundMatches = 0;

    bool operator==(const ScanProgress &) const = default;
};

struct CopyTaskItem {
    QUuid id;
    FileURL sourceURL;
    FileURL destinationURL;
    CopyFileKind kind = CopyFileKind::raw;
    QSet<QUuid> selectionIDs;
    qint64 size = 0;

    bool operator==(const CopyTaskItem &) const = default;
};

struct CopyPreflightIssue {
    QUuid id;
    CopyPreflightIssueKind kind = CopyPreflightIssueKind::alreadyExists;
    std::optional<FileURL> sourceURL;
    std::optional<FileURL> destinationURL;
    QSet<QUuid> selectionIDs;
    QString message;

    bool operator==(const CopyPreflightIssue &) const = default;
};

struct CopyPlan {
    QList<CopyTaskItem> tasks;
    QList<CopyPreflightIssue> issues;
    qint64 totalBytes = 0;

    bool operator==(const CopyPlan &) const = default;
};

struct CopyProgress {
    QString currentFile;
    qint64 completedFiles = 0;
    qint64 totalFiles = 0;
    qint64 copiedBytes = 0;
    qint64 totalBytes = 0;

    bool operator==(const CopyProgress &) const = default;
};

struct CopyFileOutcome {
    QUuid id;
    FileURL sourceURL;
    std::optional<FileURL> destinationURL;
    CopyFileKind kind = CopyFileKind::raw;
    CopyOutcomeStatus status = CopyOutcomeStatus::failed;
    std::optional<QString> message; // the words for a failure, filled in where it is shown
    std::optional<QString> sha256;
    std::optional<Failure> failure;        // what went wrong, when the copy failed
    std::optional<CopyFailureCause> cause; // failed outcomes only

    bool operator==(const CopyFileOutcome &) const = default;
};

struct CopyBatchResult {
    QList<CopyFileOutcome> outcomes;
    bool wasCancelled = false;
    qint64 copiedBytes = 0;

    bool operator==(const CopyBatchResult &) const = default;
};

struct CopyReportRow {
    QString id;
    QString jpegPath;
    QString screenshotSource;
    QString rawPath;
    QString matchType;
    QString destinationPath;
    QString status; // the words for `outcome`
    QString qualityFlags;
    QString errorMessage;
    CopyOutcomeStatus outcome = CopyOutcomeStatus::skipped;

    bool operator==(const CopyReportRow &) const = default;
};

struct QualityCheckOptions {
    bool blur = false;
    bool duplicate = false;
    bool fileCheck = false;

    bool wantsCheck() const { return blur || duplicate || fileCheck; }
    bool operator==(const QualityCheckOptions &) const = default;
};

struct QualityCheckBatchResult {
    QMap<QString, QSet<QualityFlag>> flagsByDestinationPath;
    QMap<QString, QSet<QualityCheckSkip>> skippedByDestinationPath;
    QMap<QString, QString> errorsByDestinationPath;
    QMap<QString, Failure> failuresByDestinationPath; // why, where a system call said so

    bool operator==(const QualityCheckBatchResult &) const = default;
};

// Flags and skips in their fixed case order, as raw values.
QStringList orderedRawValues(const QSet<QualityFlag> &flags);
QStringList orderedRawValues(const QSet<QualityCheckSkip> &skips);

} // namespace quillmore

// The lists of a scan hold a record per selected name, thousands at a time. Every member is one
// Qt keeps by a pointer (or a value) that may be moved in memory as it is, so a growing list
// moves its block instead of copying each record into new memory.
Q_DECLARE_TYPEINFO(quillmore::SelectedJPEG, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(quillmore::RawCandidate, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(quillmore::SelectionResult, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(quillmore::AppWarning, Q_RELOCATABLE_TYPE);
