#include "Opening.h"

#include "DispatchIds.h"

namespace corvane {

using namespace dispid;

void openAndPlay(Form1Controls& c, const MediaKind& kind)
{
    // 1. The device type goes first, so a cancel leaves it set too.
    c.MMControl1.put(mci::DeviceType, kind.deviceType);
    // 2. The kind's filter.
    c.CommonDialog1.put(dialog::Filter, kind.filter);
    // 3. Wait for the user.
    c.CommonDialog1.call(dialog::ShowOpen);
    // 4. The name exactly as chosen.
    const QString name = c.CommonDialog1.get(dialog::FileName).toText();
    // 5. An empty name is a cancel.
    if (name.isEmpty())
        return;
    // 6.-8. Open and play; no "close" first, no result tested.
    c.MMControl1.put(mci::FileName, name);
    c.MMControl1.put(mci::Command, "open");
    c.MMControl1.put(mci::Command, "play");
    // 9.-10. The slider spans the media.
    c.Slider1.put(slider::Min, int32_t(0));
    c.Slider1.put(slider::Max, c.MMControl1.get(mci::Length).toInt());
    // 11. The kind buttons go off, Command1 to Command6.
    setEnabled(c.Command, false);
    // 12. The transport buttons come on, CommandSCE1 to CommandSCE7.
    setEnabled(c.CommandSCE, true);
    // 13. The boxes come on; their ticks stay.
    c.Check1.setEnabled(true);
    c.Check2.setEnabled(true);
}

void openFlash(Form1Controls& c)
{
    // 1.-2. The Flash filter, then wait for the user.
    c.CommonDialog1.put(dialog::Filter, kFlashFilter);
    c.CommonDialog1.call(dialog::ShowOpen);
    // 3.-4. The name exactly as chosen; empty is a cancel.
    const QString name = c.CommonDialog1.get(dialog::FileName).toText();
    if (name.isEmpty())
        return;
    // 5.-6. Load the movie and start it.
    c.ShockwaveFlash1.put(flash::Movie, name);
    c.ShockwaveFlash1.call(flash::Play);
    // 7. Only the slider's minimum.
    c.Slider1.put(slider::Min, int32_t(0));
    // 8. The kind buttons go off, Command1 to Command6.
    setEnabled(c.Command, false);
    // 9. Play and stop come on.
    c.commandSCE(2).put(button::Enabled, true);
    c.commandSCE(7).put(button::Enabled, true);
}

}  // namespace corvane
