#pragma once
// The process that hosts the Flash display's web engine (corvane-flash-host,
// in the program's private library folder). It renders off screen and
// hands its frames over; the display area paints them and sends it the
// person's input. Started on the GUI thread without copying the program's
// memory (posix_spawn), it gets its end of a socket pair as descriptor 3,
// the frames' shared memory as 4 and the file for large messages as 5. It
// ends when its socket closes: when the area lets it go, or the program ends
// in whatever way.
#include <QString>

namespace corvane {

class FlashHostProcess {
public:
    // The host program, or an empty string when it cannot be found.
    static QString program();
    // Starts this program instead from now on (tests' stand-ins); an empty
    // path goes back to the real one.
    static void useProgram(const QString& path);

    // Starts the host for an area drawn at this device pixel ratio. The
    // descriptors for the area's side are then valid and owned by the caller.
    bool start(qreal devicePixelRatio);
    int socket() const { return socket_; }
    int frames() const { return frames_; }
    int spill() const { return spill_; }
    qint64 pid() const { return pid_; }

    // Collects the process once it has ended, without waiting for it.
    static void reapWhenEnded(qint64 pid);

private:
    int socket_ = -1, frames_ = -1, spill_ = -1;
    qint64 pid_ = 0;
};

}  // namespace corvane
