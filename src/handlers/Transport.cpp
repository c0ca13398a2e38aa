#include "Transport.h"

#include "DispatchIds.h"

namespace corvane::transport {

using namespace dispid;

void toStartAndPlay(Form1Controls& c)
{
    c.MMControl1.put(mci::Command, "prev");
    c.MMControl1.put(mci::Command, "play");
    c.Slider1.put(slider::Value, int32_t(0));
}

void play(Form1Controls& c)
{
    c.ShockwaveFlash1.call(flash::Play);
    c.MMControl1.put(mci::Command, "play");
}

void pause(Form1Controls& c) { c.MMControl1.put(mci::Command, "pause"); }
void stepBack(Form1Controls& c) { c.MMControl1.put(mci::Command, "back"); }
void stepForward(Form1Controls& c) { c.MMControl1.put(mci::Command, "step"); }
void next(Form1Controls& c) { c.MMControl1.put(mci::Command, "next"); }

void stopToIdle(Form1Controls& c)
{
    // 1. The movie stops and stays loaded.
    c.ShockwaveFlash1.call(flash::Stop);
    // 2.-4. The device closes and forgets its file.
    c.MMControl1.put(mci::Command, "close");
    c.MMControl1.put(mci::FileName, "");
    c.MMControl1.put(mci::Flag52, false);
    // 5. The slider shows the start; its range stays.
    c.Slider1.put(slider::Value, int32_t(0));
    // 6. The kind buttons come back, Command1 to Command6.
    setEnabled(c.Command, true);
    // 7. The transport buttons go off, CommandSCE1 to CommandSCE7: this one last.
    setEnabled(c.CommandSCE, false);
    // 8. The boxes go off; their ticks stay.
    c.Check1.setEnabled(false);
    c.Check2.setEnabled(false);
}

void muteClicked(Form1Controls& c)
{
    const bool muted = c.Check1.value() == 1;
    c.MMControl1.put(mci::Mute, muted);
    c.ShockwaveFlash1.put(flash::Mute, muted);
}

}  // namespace corvane::transport
