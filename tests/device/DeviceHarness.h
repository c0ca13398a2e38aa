#pragma once
// Drives a real media device with null outputs through the dispatch interface,
// as the program does; logs each completion as (position, length) at that moment.
#include "DispatchIds.h"
#include "media/MediaDevice.h"

#include <memory>
#include <QList>
#include <QPair>
#include <QTest>

namespace corvane::test {

class DeviceHarness {
public:
    explicit DeviceHarness(MediaDeviceOptions options = {QStringLiteral("null"), QStringLiteral("null")})
        : device(std::make_unique<MediaDevice>(nullptr, std::move(options)))
    {
        device->advise([this](DispId ev, const Args&) {
            if (ev == dispid::mci::Done)
                completions.append({position(), length()});
            statusUpdates += ev == dispid::mci::StatusUpdate;
        });
    }
    void open(const QString& type, const QString& path)
    {
        device->put(dispid::mci::DeviceType, type);
        device->put(dispid::mci::FileName, path);
        command("open");
    }
    void command(const char* verb) { device->put(dispid::mci::Command, QString::fromLatin1(verb)); }
    int length() { return device->get(dispid::mci::Length).toInt(); }
    int position() { return device->get(dispid::mci::Position).toInt(); }
    template <typename Pred>
    bool waitFor(Pred pred, int ms)
    {
        return QTest::qWaitFor(pred, ms);
    }
    void spin(int ms) { QTest::qWait(ms); }
    bool waitForCompletions(int n, int ms)
    {
        return waitFor([&] { return completions.size() >= n; }, ms);
    }
    bool waitForPosition(int atLeast, int ms)
    {
        return waitFor([&] { return position() >= atLeast; }, ms);
    }

    std::unique_ptr<MediaDevice> device;
    QList<QPair<int, int>> completions;
    int statusUpdates = 0;
};

}  // namespace corvane::test
