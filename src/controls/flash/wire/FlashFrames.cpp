#include "FlashFrames.h"

#include "FlashProtocol.h"

#include <cstring>

#include <fcntl.h>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {
constexpr int Seals = F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL;
}  // namespace

int FlashFrames::create()
{
    const int fd = ::memfd_create("corvane-flash-frames", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd >= 0 && (::ftruncate(fd, flashwire::FrameCapacity) != 0 || ::fcntl(fd, F_ADD_SEALS, Seals) != 0)) {
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
    if (!writable && (::fcntl(fd_, F_GET_SEALS) & F_SEAL_SHRINK) == 0)
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
    return {QString::fromLatin1(flashwire::Frame), image.width(),       image.height(),
            qint64(image.bytesPerLine()),          int(image.format()), image.devicePixelRatio()};
}

QImage FlashFrames::read(const QVariantList& m) const
{
    const int width = m.value(1).toInt(), height = m.value(2).toInt();
    const qint64 line = m.value(3).toLongLong();
    const auto format = QImage::Format(m.value(4).toInt());
    if (!data_ || width <= 0 || height <= 0 || line < qint64(width) * 4 || line * height > size_
        || format <= QImage::Format_Invalid || format >= QImage::NImageFormats)
        return {};
    QImage frame = QImage(data_, width, height, line, format).copy();
    frame.setDevicePixelRatio(qMax(0.1, m.value(5).toDouble()));
    return frame;
}

}  // namespace corvane
