#pragma once

// Name rules shared by the reader, the scanner and the planner.

#include <QString>
#include <QStringList>

#include <string>
#include <string_view>

namespace quillmore {

// Unicode Normalization Form C (canonical composition).
QString nfc(const QString &text);

// Unicode default full case folding, with no language-specific rules.
QString caseFolded(const QString &text);

// The base name of a file: its last path component without the extension, in Form C. Case is
// kept.
QString baseName(const QString &pathOrFileName);

// The form in which a selected name and a file on disk are compared: Form C, then full case
// folding. Two names denote the same picture exactly when their keys are equal.
QString matchKey(const QString &baseName);

// matchKey of a base name given as bytes from disk, as bytes (decodePath and encodePath convert;
// names that are not valid UTF-8 keep their bytes). Names in plain ASCII take a short path that
// touches no Unicode tables; the result is always the same as matchKey's.
std::string matchKeyUtf8(std::string_view baseNameBytes);

// Finder-style ordering: letters compared without regard to case, runs of digits by their
// numeric value, following the user's locale. Negative, zero or positive.
int localizedStandardCompare(const QString &a, const QString &b);

// Sorts items by a text with localizedStandardCompare; the order of equal texts is not fixed.
template <typename T, typename KeyOf>
void sortByLocalizedStandard(QList<T> &items, KeyOf keyOf);

// The collation key behind localizedStandardCompare, for sorting many items.
QByteArray localizedStandardSortKey(QStringView text);

} // namespace quillmore

#include <algorithm>
#include <utility>
#include <vector>

template <typename T, typename KeyOf>
void quillmore::sortByLocalizedStandard(QList<T> &items, KeyOf keyOf)
{
    std::vector<std::pair<QByteArray, qsizetype>> keyed;
    keyed.reserve(std::size_t(items.size()));
    for (qsizetype i = 0; i < items.size(); ++i)
        keyed.emplace_back(localizedStandardSortKey(keyOf(items.at(i))), i);
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto &x, const auto &y) { return x.first < y.first; });
    QList<T> sorted;
    sorted.reserve(items.size());
    for (const auto &k : keyed)
        sorted.append(std::move(items[k.second]));
    items = std::move(sorted);
}
