#pragma once
// The movie's frames from the host process to the display area: one shared
// memory file holds the latest frame, and a message says it is there. The
// host writes the next only once the area has taken the last.
#include <QImage>
#include <QVariantList>

namespace corvane {

class FlashFrames {
public:
    // Message names: a frame is in the file; the page shows nothing; the
    // area has taken the frame.
    static constexpr char FrameName[] = "frame";
    static constexpr char BlankName[] = "blank";
    static constexpr char TakenName[] = "frameTaken";
    // Room for a frame of 3840 x 2160 pixels; pages only the frame's size
    // are ever touched.
    static constexpr qsizetype Capacity = qsizetype(3840) * 2160 * 4;

    // A new shared memory file of Capacity bytes, or -1.
    static int create();
    // Maps the file `fd` (taken over), for writing or reading.
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
