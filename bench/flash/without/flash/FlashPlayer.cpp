// The stand-in is header-only; this file keeps it in the target's sources.
#include "FlashPlayer.h"
