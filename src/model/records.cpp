#include "records.h"

#include <algorithm>

#include "localization.h"

#include <array>

namespace quillmore {

QUuid makeId()
{
    return QUuid::createUuid();
}

namespace {

template <typename E, std::size_t N>
std::optional<E> decode(const std::array<E, N> &cases, const QString &raw)
{
    for (E c : cases)
        if (rawValue(c) == raw)
            return c;
    return std::nullopt;
}

constexpr std::array kSearchTargets{SearchTarget::raw, SearchTarget::jpeg};
constexpr std::array kSelectionStatuses{SelectionStatus::found,
                                        SelectionStatus::notFound,
                                        SelectionStatus::ambiguous,
                                        SelectionStatus::manuallyResolved,
                                        SelectionStatus::existsAtDestination,
                                        SelectionStatus::readyToCopy,
                                        SelectionStatus::copied,
                                        SelectionStatus::skipped,
                                        SelectionStatus::failed};
constexpr std::array kConflictPolicies{ConflictPolicy::skip, ConflictPolicy::keepNumbered};
constexpr std::array kCopyFileKinds{CopyFileKind::raw, CopyFileKind::jpeg, CopyFileKind::xmp};
constexpr std::array kIssueKinds{CopyPreflightIssueKind::alreadyExists, CopyPreflightIssueKind::nameConflict,
                                 CopyPreflightIssueKind::sourceUnavailable, CopyPreflightIssueKind::insufficientSpace};
constexpr std::array kOutcomeStatuses{CopyOutcomeStatus::copied, CopyOutcomeStatus::skipped, CopyOutcomeStatus::failed};
constexpr std::array kQualityFlags{QualityFlag::possibleUnsharp, QualityFlag::duplicate, QualityFlag::fileCheck};
constexpr std::array kQualitySkips{QualityCheckSkip::blurNotAssessed, QualityCheckSkip::fileCheckNotAssessed};

template <typename E, std::size_t N>
QList<E> listOf(const std::array<E, N> &cases)
{
    return QList<E>(cases.begin(), cases.end());
}

} // namespace

QString rawValue(SearchTarget v)
{
    return v == SearchTarget::raw ? QStringLiteral("raw") : QStringLiteral("jpeg");
}

QString rawValue(SelectionStatus v)
{
    switch (v) {
    case SelectionStatus::found: return QStringLiteral("found");
    case SelectionStatus::notFound: return QStringLiteral("notFound");
    case SelectionStatus::ambiguous: return QStringLiteral("ambiguous");
    case SelectionStatus::manuallyResolved: return QStringLiteral("manuallyResolved");
    case SelectionStatus::existsAtDestination: return QStringLiteral("existsAtDestination");
    case SelectionStatus::readyToCopy: return QStringLiteral("readyToCopy");
    case SelectionStatus::copied: return QStringLiteral("copied");
    case SelectionStatus::skipped: return QStringLiteral("skipped");
    case SelectionStatus::failed: return QStringLiteral("failed");
    }
    return {};
}

QString rawValue(ConflictPolicy v)
{
    return v == ConflictPolicy::skip ? QStringLiteral("skip") : QStringLiteral("keepNumbered");
}

QString rawValue(CopyFileKind v)
{
    switch (v) {
    case CopyFileKind::raw: return QStringLiteral("raw");
    case CopyFileKind::jpeg: return QStringLiteral("jpeg");
    case CopyFileKind::xmp: return QStringLiteral("xmp");
    }
    return {};
}

QString rawValue(CopyPreflightIssueKind v)
{
    switch (v) {
    case CopyPreflightIssueKind::alreadyExists: return QStringLiteral("alreadyExists");
    case CopyPreflightIssueKind::nameConflict: return QStringLiteral("nameConflict");
    case CopyPreflightIssueKind::sourceUnavailable: return QStringLiteral("sourceUnavailable");
    case CopyPreflightIssueKind::insufficientSpace: return QStringLiteral("insufficientSpace");
    }
    return {};
}

QString rawValue(CopyOutcomeStatus v)
{
    switch (v) {
    case CopyOutcomeStatus::copied: return QStringLiteral("copied");
    case CopyOutcomeStatus::skipped: return QStringLiteral("skipped");
    case CopyOutcomeStatus::failed: return QStringLiteral("failed");
    }
    return {};
}

QString rawValue(QualityFlag v)
{
    switch (v) {
    case QualityFlag::possibleUnsharp: return QStringLiteral("Possible Unsharp");
    case QualityFlag::duplicate: return QStringLiteral("Duplicate");
    case QualityFlag::fileCheck: return QStringLiteral("File Check");
    }
    return {};
}

QString rawValue(QualityCheckSkip v)
{
    switch (v) {
    case QualityCheckSkip::blurNotAssessed: return QStringLiteral("Blur Not Assessed (Preview Unavailable)");
    case QualityCheckSkip::fileCheckNotAssessed: return QStringLiteral("File Check Not Assessed (Preview Unsupported)");
    }
    return {};
}

std::optional<SearchTarget> searchTargetFromRaw(const QString &raw)
{
    return decode(kSearchTargets, raw);
}
std::optional<SelectionStatus> selectionStatusFromRaw(const QString &raw)
{
    return decode(kSelectionStatuses, raw);
}
std::optional<ConflictPolicy> conflictPolicyFromRaw(const QString &raw)
{
    return decode(kConflictPolicies, raw);
}
std::optional<CopyFileKind> copyFileKindFromRaw(const QString &raw)
{
    return decode(kCopyFileKinds, raw);
}
std::optional<CopyPreflightIssueKind> copyPreflightIssueKindFromRaw(const QString &raw)
{
    return decode(kIssueKinds, raw);
}
std::optional<CopyOutcomeStatus> copyOutcomeStatusFromRaw(const QString &raw)
{
    return decode(kOutcomeStatuses, raw);
}
std::optional<QualityFlag> qualityFlagFromRaw(const QString &raw)
{
    return decode(kQualityFlags, raw);
}
std::optional<QualityCheckSkip> qualityCheckSkipFromRaw(const QString &raw)
{
    return decode(kQualitySkips, raw);
}

QList<SearchTarget> allSearchTargets()
{
    return listOf(kSearchTargets);
}
QList<SelectionStatus> allSelectionStatuses()
{
    return listOf(kSelectionStatuses);
}
QList<ConflictPolicy> allConflictPolicies()
{
    return listOf(kConflictPolicies);
}
QList<QualityFlag> allQualityFlags()
{
    return listOf(kQualityFlags);
}
QList<QualityCheckSkip> allQualityCheckSkips()
{
    return listOf(kQualitySkips);
}

QString rawValue(CopyFailureCause v)
{
    switch (v) {
    case CopyFailureCause::other: return QStringLiteral("other");
    case CopyFailureCause::sourceMissing: return QStringLiteral("sourceMissing");
    case CopyFailureCause::destinationMissing: return QStringLiteral("destinationMissing");
    case CopyFailureCause::destinationReadOnly: return QStringLiteral("destinationReadOnly");
    case CopyFailureCause::diskFull: return QStringLiteral("diskFull");
    case CopyFailureCause::alreadyExists: return QStringLiteral("alreadyExists");
    case CopyFailureCause::notVerified: return QStringLiteral("notVerified");
    }
    return {};
}

const QSet<QString> &rawExtensions()
{
    static const QSet<QString> set{QStringLiteral("nef"), QStringLiteral("nrw"), QStringLiteral("cr2"),
                                   QStringLiteral("cr3"), QStringLiteral("arw"), QStringLiteral("raf"),
                                   QStringLiteral("orf"), QStringLiteral("rw2"), QStringLiteral("dng"),
                                   QStringLiteral("pef"), QStringLiteral("3fr"), QStringLiteral("iiq"),
                                   QStringLiteral("rwl"), QStringLiteral("srw"), QStringLiteral("x3f")};
    return set;
}

const QSet<QString> &jpegExtensions()
{
    static const QSet<QString> set{QStringLiteral("jpg"), QStringLiteral("jpeg")};
    return set;
}

const QSet<QString> &screenshotImageExtensions()
{
    static const QSet<QString> set{QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                   QStringLiteral("heic")};
    return set;
}

const QSet<QString> &candidateExtensions(SearchTarget target)
{
    return target == SearchTarget::raw ? rawExtensions() : jpegExtensions();
}

namespace {
std::uint64_t packed(std::string_view bytes)
{
    std::uint64_t out = 0;
    for (char c : bytes)
        out = (out << 8) | static_cast<unsigned char>(c);
    return out;
}
} // namespace

ExtensionSet::ExtensionSet(const QSet<QString> &extensions)
{
    for (const QString &extension : extensions) {
        const std::string bytes = extension.toLower().toStdString();
        if (bytes.empty())
            continue;
        if (bytes.size() <= 8)
            m_extensions.push_back(packed(bytes));
        else
            m_longExtensions.push_back(bytes);
    }
}

bool ExtensionSet::containsExtension(std::string_view lowerCase) const
{
    // Called for every file a walk reports: short extensions are compared as one number each.
    if (lowerCase.empty())
        return false;
    if (lowerCase.size() <= 8) {
        const std::uint64_t key = packed(lowerCase);
        return std::find(m_extensions.begin(), m_extensions.end(), key) != m_extensions.end();
    }
    return std::find(m_longExtensions.begin(), m_longExtensions.end(), lowerCase) != m_longExtensions.end();
}

bool ExtensionSet::contains(std::string_view fileName) const
{
    const qsizetype dot = extensionDot(fileName);
    if (dot < 0)
        return false;
    char lower[16];
    const std::string_view extension = fileName.substr(std::size_t(dot) + 1);
    if (extension.size() > sizeof lower)
        return false;
    for (std::size_t i = 0; i < extension.size(); ++i) {
        const char c = extension[i];
        lower[i] = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    }
    return containsExtension(std::string_view(lower, extension.size()));
}

bool ExtensionSet::contains(QStringView fileName) const
{
    const qsizetype dot = extensionDot(fileName);
    if (dot < 0)
        return false;
    char lower[16];
    const QStringView extension = fileName.mid(dot + 1);
    if (std::size_t(extension.size()) > sizeof lower)
        return false;
    for (qsizetype i = 0; i < extension.size(); ++i) {
        const char16_t c = extension[i].unicode();
        if (c >= 0x80)
            return false; // every accepted extension is ASCII
        lower[i] = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : char(c);
    }
    return containsExtension(std::string_view(lower, std::size_t(extension.size())));
}

bool hasExtensionIn(QStringView fileName, const QSet<QString> &extensions)
{
    return ExtensionSet(extensions).contains(fileName);
}

static QString lastComponent(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

QString SelectedJPEG::displayName() const
{
    if (localURL)
        return *localURL;
    if (!sourceScreenshotURLs.isEmpty())
        return fileName + QStringLiteral(" [") + screenshotSourceNames() + QLatin1Char(']');
    return fileName;
}

QString SelectedJPEG::screenshotSourceNames() const
{
    QStringList names;
    names.reserve(sourceScreenshotURLs.size());
    for (const FileURL &url : sourceScreenshotURLs)
        names << lastComponent(url);
    return names.join(QStringLiteral("; "));
}

AppWarning makeWarning(const std::optional<FileURL> &url, const char *messageKey)
{
    return AppWarning{makeId(), url, localized(messageKey)};
}

QStringList orderedRawValues(const QSet<QualityFlag> &flags)
{
    QStringList out;
    for (QualityFlag f : kQualityFlags)
        if (flags.contains(f))
            out << rawValue(f);
    return out;
}

QStringList orderedRawValues(const QSet<QualityCheckSkip> &skips)
{
    QStringList out;
    for (QualityCheckSkip s : kQualitySkips)
        if (skips.contains(s))
            out << rawValue(s);
    return out;
}

} // namespace quillmore
