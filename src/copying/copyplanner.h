#pragma once

#include "copying/interfaces.h"

#include <mutex>

namespace quillmore {

class FileOperations;

// Turns the settled results of a job into a copy plan: one task per source file (selected names
// that lead to the same file share it), XMP sidecars right after their main file, every name
// clash settled by the conflict policy, and the free space of the destination checked. Reads
// the file system only; never creates, changes or removes a file.
class CopyPlanner : public CopyPlanning {
public:
    explicit CopyPlanner(FileOperations *fileManager = nullptr); // nullptr: the real file system

    CopyPlan makePlan(const QList<SelectionResult> &results, const FileURL &destination, SearchTarget searchTarget,
                      bool includeXMP, ConflictPolicy conflictPolicy) override;

private:
    FileOperations &m_fileManager;
    std::mutex m_mutex;
};

// Orders two texts by the code points of their canonical composition (not as a file browser
// would): the order of the plan's tasks.
bool codePointLess(const QString &a, const QString &b);

} // namespace quillmore
