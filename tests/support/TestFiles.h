#pragma once
// Files the tests write for themselves.
#include <QByteArray>
#include <QString>

namespace corvane::test {

// Writes dir/name (making its folders); its absolute path, or "" on failure.
QString writeFile(const QString& dir, const QString& name, const QByteArray& bytes);

}  // namespace corvane::test
