#pragma once
// The movie's frames from the host process to the display area: one shared
// memory file holds the latest frame, and a message says it is there. The
// host writes the next only once the area has taken the last.
#include <QImage>
#include <QVariantList>

namespace corvane {

class FlashFrames {
public:
    // A new shared memory file of flashwire::FrameCapacity bytes, sealed
    // against shrinking and growing, or -1. Pages only a frame's size are
    // ever touched.
    static int create();
    // Maps the file `fd` (taken over), for writing or reading. A file that
    // may still shrink is not mapped for reading: cut under the reader, it
    // would fault it.
    FlashFrames(int fd, bool writable);
    ~FlashFrames();
    FlashFrames(const FlashFrames&) = delete;
    FlashFrames& operator=(const FlashFrames&) = delete;

    bool mapped() const { return data_ != nullptr; }
    // Writes the image into the file and gives the message that says so; an
    // empty message when it does not fit.
    QVariantList write(const QImage& image);
    // A copy of the frame the message tells of; a null image when it is none.
    QImage read(const QVariantList& message) const;

private:
    int fd_ = -1;
    uchar* data_ = nullptr;
    qsizetype size_ = 0;
};

}  // namespace corvane
