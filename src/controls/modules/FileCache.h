#pragma once
// The kernel's file cache, filled ahead of need on a worker thread. A module
// maps its libraries when it is loaded, but their pages are read from the
// disk only when first touched: after a cold start that touch would come
// from the GUI thread, a page at a time, each a wait for the disk.
#include <QString>
#include <QStringList>

namespace corvane::filecache {

// Every regular file this process has mapped, once each.
QStringList mappedFiles();

// Reads `path` whole into the file cache and returns once it is there. Pages
// already cached cost a look, not a read. False when it cannot be opened.
bool fill(const QString& path);

// fill() for each of mappedFiles().
void fillMapped();

}  // namespace corvane::filecache
