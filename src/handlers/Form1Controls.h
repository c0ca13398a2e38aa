#pragma once
// The hosted controls of the main window, as the handlers see them.
#include "CheckBox.h"
#include "Dispatch.h"
#include "DispatchIds.h"

#include <array>

namespace corvane {

struct Form1Controls {
    Dispatch& MMControl1;
    Dispatch& CommonDialog1;
    Dispatch& Slider1;
    Dispatch& ShockwaveFlash1;
    std::array<Dispatch*, 6> Command;     // Command1 .. Command6
    std::array<Dispatch*, 7> CommandSCE;  // CommandSCE1 .. CommandSCE7
    CheckBox& Check1;
    CheckBox& Check2;

    Dispatch& command(int n) { return *Command.at(n - 1); }
    Dispatch& commandSCE(int n) { return *CommandSCE.at(n - 1); }
};

// Writes each button's `enabled`, one at a time, first to last.
template <size_t N>
void setEnabled(const std::array<Dispatch*, N>& buttons, bool enabled)
{
    for (Dispatch* b : buttons)
        b->put(dispid::button::Enabled, enabled);
}

}  // namespace corvane
