#pragma once
#include "Form1Controls.h"

namespace corvane::transport {

void toStartAndPlay(Form1Controls& c);  // CommandSCE1
void play(Form1Controls& c);            // CommandSCE2
void pause(Form1Controls& c);           // CommandSCE3
void stepBack(Form1Controls& c);        // CommandSCE4
void stepForward(Form1Controls& c);     // CommandSCE5
void next(Form1Controls& c);            // CommandSCE6
void stopToIdle(Form1Controls& c);      // CommandSCE7

// Click of Check1: the mute box silences both players while ticked.
void muteClicked(Form1Controls& c);

}  // namespace corvane::transport
