#pragma once
// Resident memory of this process and of the processes it started.
#include <QtGlobal>

namespace corvane::bench {

// Resident set of one process in KiB, 0 if it is gone.
qint64 residentKiB(qint64 pid);
// Its proportional share: pages shared with other processes count split.
qint64 proportionalKiB(qint64 pid);
// This process alone.
qint64 ownResidentKiB();
// Every process below this one (the web engine's helpers), added up.
qint64 childrenResidentKiB();
// Every process below this one by proportional share.
qint64 childrenProportionalKiB();
// The processor time every process below this one has used so far, in
// seconds (the processes still there).
double childrenCpuSeconds();
// The same by proportional share, this process included: what the program
// as a whole holds, with no shared page counted twice.
qint64 treeProportionalKiB();

}  // namespace corvane::bench
