#include "FlashPlayer.h"

#include "DispatchIds.h"

namespace corvane {

FlashPlayer::FlashPlayer(QWidget* parent) : QWidget(parent) {}

void FlashPlayer::put(DispId id, const Variant& value)
{
    if (id == dispid::flash::Movie)
        movie_ = value.toText();
}

Variant FlashPlayer::get(DispId id)
{
    if (id == dispid::flash::Movie)
        return movie_;
    return {};
}

Variant FlashPlayer::call(DispId, const Args&) { return {}; }

} // namespace corvane
