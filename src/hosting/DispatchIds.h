#pragma once
// Dispatch identifiers of the hosted controls, properties, methods and
// notifications. Handlers use these names, never the numbers.
#include "Dispatch.h"

namespace corvane::dispid {

// Notifications shared by every clickable control.
inline constexpr DispId Click = -600;

namespace mci {  // the media device control
inline constexpr DispId DeviceType = 21;
inline constexpr DispId FileName = 22;
inline constexpr DispId Command = 23;
inline constexpr DispId Length = 36;
inline constexpr DispId Position = 37;
inline constexpr DispId Flag52 = 52;    // stored only; no effect
inline constexpr DispId Mute = 0x4001;  // our own: silences the output
// notifications
inline constexpr DispId Done = 1;  // argument: the notify code
inline constexpr DispId StatusUpdate = 2;
}  // namespace mci

namespace dialog {  // the file-open dialog
inline constexpr DispId FileName = 1;
inline constexpr DispId Filter = 3;
inline constexpr DispId ShowOpen = 30;
}  // namespace dialog

namespace slider {
inline constexpr DispId Max = 3;
inline constexpr DispId Min = 4;
inline constexpr DispId Value = 11;
}  // namespace slider

namespace flash {  // the Flash player control
inline constexpr DispId Movie = 102;
inline constexpr DispId Play = 112;
inline constexpr DispId Stop = 113;
inline constexpr DispId Mute = 0x4001;     // our own: volume 0 while set
inline constexpr DispId Playing = 0x4002;  // our own, read only: the movie runs
}  // namespace flash

namespace button {  // the command-button control
inline constexpr DispId Enabled = 0x6803000E;
}  // namespace button

}  // namespace corvane::dispid
