#pragma once
// Helpers shared by the secondary-window tests.
#include <QByteArray>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QList>
#include <QProcess>
#include <QString>
#include <QWidget>

namespace corvane::test {

// Runs the deletions that closing a window leaves pending.
inline void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// A control of a loaded window by its layout name and array index (-1: none).
template <class T = QWidget> T* control(QWidget* window, const QString& name, int index = -1)
{
    for (T* w : window->findChildren<T*>(name)) {
        const QVariant i = w->property("index");
        if ((index < 0 && !i.isValid()) || (i.isValid() && i.toInt() == index)) return w;
    }
    return nullptr;
}

// Text in code page 936, converted by iconv.
inline QByteArray toGbk(const QString& text)
{
    QProcess p;
    p.start(QStringLiteral("iconv"), {QStringLiteral("-f"), QStringLiteral("UTF-8"), QStringLiteral("-t"), QStringLiteral("CP936")});
    p.write(text.toUtf8());
    p.closeWriteChannel();
    if (!p.waitForFinished(10000) || p.exitCode() != 0) return {};
    return p.readAllStandardOutput();
}

// Runs a program, returns its exit code (-1 if it did not run) and output.
inline int run(const QString& program, const QStringList& args, QByteArray* output = nullptr, int timeoutMs = 60000)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs) || p.exitStatus() != QProcess::NormalExit) return -1;
    if (output) *output = p.readAll();
    return p.exitCode();
}

} // namespace corvane::test
