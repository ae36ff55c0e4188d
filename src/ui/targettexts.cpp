#include "targettexts.h"

#include "model/localization.h"

namespace quillmore {
namespace {

const char *pick(SearchTarget t, const char *raw, const char *jpeg)
{
    return t == SearchTarget::raw ? raw : jpeg;
}

} // namespace

QString targetName(SearchTarget t)
{
    return localized(pick(t, L10N("search.target.raw"), L10N("search.target.jpeg")));
}

QString scanButtonTitle(SearchTarget t)
{
    return localized(pick(t, L10N("setup.scan.raw"), L10N("setup.scan.jpeg")));
}

QString scanScreenTitle(SearchTarget t)
{
    return localized(pick(t, L10N("scan.title.raw"), L10N("scan.title.jpeg")));
}

QString filesColumnTitle(SearchTarget t)
{
    return localized(pick(t, L10N("files.raw"), L10N("files.full.jpeg")));
}

const char *summaryFoundLineKey(SearchTarget t)
{
    return pick(t, L10N("summary.found.raw"), L10N("summary.found.jpeg"));
}
const char *summaryCopyButtonKey(SearchTarget t)
{
    return pick(t, L10N("summary.copy.raw"), L10N("summary.copy.jpeg"));
}
const char *problemsNotFoundHeadingKey(SearchTarget t)
{
    return pick(t, L10N("problems.not.found.raw"), L10N("problems.not.found.jpeg"));
}
const char *problemsMultipleHeadingKey(SearchTarget t)
{
    return pick(t, L10N("problems.multiple.raw"), L10N("problems.multiple.jpeg"));
}
const char *problemsChooseManualButtonKey(SearchTarget t)
{
    return pick(t, L10N("problems.choose.manual.raw"), L10N("problems.choose.manual.jpeg"));
}
const char *problemsUseButtonKey(SearchTarget t)
{
    return pick(t, L10N("problems.use.raw"), L10N("problems.use.jpeg"));
}

} // namespace quillmore
