#pragma once
// The media device control: opens a file under a device type, plays it,
// reports length and position in milliseconds, and raises the status-update
// and completion notifications on the GUI thread.
#include "Dispatch.h"

#include <QObject>
#include <QString>

namespace corvane {

struct MediaDeviceOptions {
    // Empty means the engine's own choice; tests ask for "null".
    QString audioOutput;
    QString videoOutput;
};

class MediaDevice : public QObject, public Dispatch {
    Q_OBJECT
public:
    explicit MediaDevice(QObject* parent = nullptr, MediaDeviceOptions options = {});
    ~MediaDevice() override;

    void put(DispId id, const Variant& value) override;
    Variant get(DispId id) override;
    Variant call(DispId id, const Args& args = {}) override;

private:
    MediaDeviceOptions options_;
    QString deviceType_;
    QString fileName_;
    bool flag52_ = false;
    bool mute_ = false;
};

} // namespace corvane
