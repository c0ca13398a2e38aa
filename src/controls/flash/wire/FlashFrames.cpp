#include "FlashFrames.h"

#include <cstring>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

int FlashFrames::create()
{
    const int fd = ::memfd_create("corvane-flash-frames", MFD_CLOEXEC);
    if (fd >= 0 && ::ftruncate(fd, Capacity) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

FlashFrames::FlashFrames(int fd, bool writable) : fd_(fd)
{
    struct stat st = {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || st.st_size <= 0)
        return;
    void* at = ::mmap(nullptr, size_t(st.st_size), writable ? PROT_READ | PROT_WRITE : PROT_READ, MAP_SHARED, fd_, 0);
    if (at == MAP_FAILED)
        return;
    data_ = static_cast<uchar*>(at);
    size_ = st.st_size;
}

FlashFrames::~FlashFrames()
{
    if (data_)
        ::munmap(data_, size_t(size_));
    if (fd_ >= 0)
        ::close(fd_);
}

QVariantList FlashFrames::write(const QImage& image)
{
    const qsizetype bytes = image.sizeInBytes();
    if (!data_ || image.isNull() || bytes > size_)
        return {};
    std::memcpy(data_, image.constBits(), size_t(bytes));
    return {QString::fromLatin1(FrameName),  image.width(),       image.height(),
            qsizetype(image.bytesPerLine()), int(image.format()), image.devicePixelRatio()};
}

QImage FlashFrames::read(const QVariantList& m) const
{
    const int width = m.value(1).toInt(), height = m.value(2).toInt();
    const qsizetype line = m.value(3).toLongLong();
    const auto format = QImage::Format(m.value(4).toInt());
    if (!data_ || width <= 0 || height <= 0 || line < qsizetype(width) * 4 || line * height > size_
        || format <= QImage::Format_Invalid || format >= QImage::NImageFormats)
        return {};
    QImage frame = QImage(data_, width, height, line, format).copy();
    frame.setDevicePixelRatio(qMax(0.1, m.value(5).toDouble()));
    return frame;
}

}  // namespace corvane
