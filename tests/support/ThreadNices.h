#pragma once
// The threads of a process as the system sees them.
#include <QList>
#include <QPair>
#include <QString>

namespace corvane::test {

// Each thread's name and nice value, the main thread first; `pid` 0 is this
// process. Threads that end meanwhile are left out.
QList<QPair<QString, int>> threadNices(qint64 pid = 0);

}  // namespace corvane::test
