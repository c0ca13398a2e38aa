#include "Monitoring.h"

#include "DispatchIds.h"

namespace corvane::monitoring {

using namespace dispid;

void statusUpdate(Form1Controls& c)
{
    const int32_t position = c.MMControl1.get(mci::Position).toInt();
    c.Slider1.put(slider::Value, position);
}

void done(Form1Controls& c, const Args&)
{
    // 1.-3. Only exactly at the end.
    const int32_t length = c.MMControl1.get(mci::Length).toInt();
    const int32_t position = c.MMControl1.get(mci::Position).toInt();
    if (position != length)
        return;
    // 4. Back to the start.
    c.MMControl1.put(mci::Command, "prev");
    // 5. The repeat box decides, read only now.
    if (c.Check2.value() == 1)
        c.MMControl1.put(mci::Command, "play");
    else
        c.MMControl1.put(mci::Command, "stop");
}

}  // namespace corvane::monitoring
