#include "MediaDevice.h"

#include "DispatchIds.h"

namespace corvane {

MediaDevice::MediaDevice(QObject* parent, MediaDeviceOptions options) : QObject(parent), options_(std::move(options)) {}
MediaDevice::~MediaDevice() = default;

void MediaDevice::put(DispId id, const Variant& value)
{
    using namespace dispid::mci;
    switch (id) {
    case DeviceType: deviceType_ = value.toText(); break;
    case FileName: fileName_ = value.toText(); break;
    case Flag52: flag52_ = value.toBool(); break;
    case Mute: mute_ = value.toBool(); break;
    default: break;
    }
}

Variant MediaDevice::get(DispId id)
{
    using namespace dispid::mci;
    switch (id) {
    case DeviceType: return deviceType_;
    case FileName: return fileName_;
    case Flag52: return flag52_;
    case Mute: return mute_;
    case Length: return int32_t(0);
    case Position: return int32_t(0);
    default: return {};
    }
}

Variant MediaDevice::call(DispId, const Args&) { return {}; }

} // namespace corvane
