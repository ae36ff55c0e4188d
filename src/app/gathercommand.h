#pragma once

#include <QStringList>

namespace quillmore {

// quillmore-cli gather: the whole job headless — read the selection (a folder or screenshots),
// find the files, copy them safely, run the chosen checks, print the completion counts and
// optionally save the report.
int runGatherCommand(const QStringList &arguments);

} // namespace quillmore
