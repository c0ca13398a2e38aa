#pragma once
// Drives a real media device with null outputs the way the program does,
// through the dispatch interface, and records its notifications.
#include "DispatchIds.h"
#include "media/MediaDevice.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QList>
#include <QTimer>
#include <memory>

namespace corvane::test {

struct Completion {
    int position;
    int length;
};

class DeviceHarness {
public:
    explicit DeviceHarness(MediaDeviceOptions options = {QStringLiteral("null"), QStringLiteral("null")})
        : device(std::make_unique<MediaDevice>(nullptr, std::move(options)))
    {
        device->advise([this](DispId ev, const Args&) {
            if (ev == dispid::mci::Done)
                completions.append({position(), length()});
            else if (ev == dispid::mci::StatusUpdate)
                ++statusUpdates;
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

    // Runs the event loop until pred holds or the time is up, looking every
    // few milliseconds (without spinning the processor).
    template <typename Pred>
    bool waitFor(Pred pred, int ms)
    {
        QDeadlineTimer deadline(ms);
        QEventLoop loop;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, &loop, [&] {
            if (pred() || deadline.hasExpired())
                loop.quit();
        });
        look.start(5);
        if (!pred())
            loop.exec();
        return pred();
    }
    void spin(int ms) { waitFor([] { return false; }, ms); }
    bool waitForCompletions(int n, int ms) { return waitFor([&] { return completions.size() >= n; }, ms); }
    bool waitForPosition(int atLeast, int ms) { return waitFor([&] { return position() >= atLeast; }, ms); }

    std::unique_ptr<MediaDevice> device;
    QList<Completion> completions;
    int statusUpdates = 0;
};

} // namespace corvane::test
