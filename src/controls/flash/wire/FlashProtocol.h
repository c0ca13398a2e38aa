#pragma once
// What the display area and its host process agree on: the descriptors the
// host is started with, the names of their messages, and the bounds on what
// crosses. Both sides take these from here and nowhere else.
#include <QtGlobal>

namespace corvane::flashwire {

// The host's descriptors: its end of the socket, the frames' shared memory
// and the file for large messages.
inline constexpr int SocketFd = 3, FramesFd = 4, SpillFd = 5;

// The messages. Each is a list of plain values whose first names it; what
// follows is fixed per name (FlashSchema).
// From the area to the host:
inline constexpr char EngineCall[] = "engine";  // id (0: no answer), method, arguments...
inline constexpr char Size[] = "size";          // the area's width and height
inline constexpr char Colour[] = "colour";      // the area's own colour (#AARRGGBB), which the empty page shows
inline constexpr char Focus[] = "focus";        // the area has the keyboard focus, or not
inline constexpr char Input[] = "input";        // the person's mouse, wheel, key or typed text (FlashInput)
inline constexpr char Taken[] = "frameTaken";   // the area has copied the last frame
inline constexpr char Ping[] = "ping";          // serial: the host answers with a pong of it at once
inline constexpr char Screen[] = "screen";      // the area fills the screen, or not
// From the host to the area:
inline constexpr char Ready[] = "ready";      // the host's event loop runs
inline constexpr char Reply[] = "reply";      // id, value
inline constexpr char Process[] = "process";  // the page's process id
inline constexpr char Cursor[] = "cursor";    // the pointer's shape over the page
inline constexpr char Frame[] = "frame";      // width, height, bytes per line, format, pixel ratio
inline constexpr char Blank[] = "blank";      // the page shows nothing
inline constexpr char Pong[] = "pong";        // the ping's serial
// The movie asks to fill the screen (just after the person's key or click), or to leave it
inline constexpr char FullScreen[] = "fullScreen";
// The wire's own, both ways: a large message waits in the file; it was read.
inline constexpr char Spilled[] = "wire.spilled";
inline constexpr char SpillRead[] = "wire.spillRead";

// A message that crosses the socket holds this much at most: calls, input,
// replies. A movie's bytes go through the spill file.
inline constexpr qsizetype ControlBytes = 64 * 1024;
// The spill file holds one message of at most this much: the largest movie
// the area reads, and room for the rest of its call.
inline constexpr qsizetype MovieBytes = qsizetype(256) * 1024 * 1024;
inline constexpr qsizetype SpillBytes = MovieBytes + ControlBytes;
// Sent and not yet taken by the other side: past this the other side is
// not reading, and the connection ends.
inline constexpr qsizetype Backlog = 8 * 1024 * 1024;
// The frames' shared memory: room for a frame of 3840 x 2160 pixels.
inline constexpr qsizetype FrameCapacity = qsizetype(3840) * 2160 * 4;
// What one movie may keep with SharedObject, keys and texts, in characters.
inline constexpr qsizetype StoreChars = 1 << 20;
// Text typed at once (an input method's commit) crosses in pieces of at
// most this many characters.
inline constexpr qsizetype TypedChars = 256;
// The area's size as the host may be told it.
inline constexpr int LargestSide = 16384;

}  // namespace corvane::flashwire
