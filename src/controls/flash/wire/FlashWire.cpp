#include "FlashWire.h"

#include <cerrno>
#include <QCoreApplication>
#include <QDataStream>
#include <QIODevice>
#include <QPointer>
#include <QSocketNotifier>
#include <QtEndian>
#include <QThreadPool>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace corvane {
namespace {

// Names the wire keeps for itself.
const QString SpilledName = QStringLiteral("wire.spilled");
const QString SpillReadName = QStringLiteral("wire.spillRead");
constexpr QDataStream::Version StreamVersion = QDataStream::Qt_6_4;
constexpr qsizetype LengthBytes = 4;
// A message longer than this is no message of ours.
constexpr quint32 LargestMessage = 512u * 1024 * 1024;

QByteArray encode(const QVariantList& message)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(StreamVersion);
    out << message;
    return bytes;
}

bool decode(const QByteArray& bytes, QVariantList& message)
{
    QDataStream in(bytes);
    in.setVersion(StreamVersion);
    in >> message;
    return in.status() == QDataStream::Ok && !message.isEmpty();
}

bool large(const QVariantList& message)
{
    for (const QVariant& v : message)
        if (v.typeId() == QMetaType::QByteArray && v.toByteArray().size() >= FlashWire::SpillBytes)
            return true;
    return false;
}

}  // namespace

// The shared file; whoever holds it last closes it.
struct FlashWire::Spill {
    int fd = -1;
    explicit Spill(int f) : fd(f) {}
    ~Spill()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

FlashWire::FlashWire(int socket, int spill, QObject* parent) : QObject(parent), socket_(socket)
{
    if (spill >= 0)
        spill_ = std::make_shared<Spill>(spill);
    ::fcntl(socket_, F_SETFL, ::fcntl(socket_, F_GETFL) | O_NONBLOCK);
    reader_ = new QSocketNotifier(socket_, QSocketNotifier::Read, this);
    writer_ = new QSocketNotifier(socket_, QSocketNotifier::Write, this);
    writer_->setEnabled(false);
    connect(reader_, &QSocketNotifier::activated, this, &FlashWire::readable);
    connect(writer_, &QSocketNotifier::activated, this, &FlashWire::writable);
}

FlashWire::~FlashWire() { close(); }

void FlashWire::close()
{
    if (socket_ < 0)
        return;
    reader_->setEnabled(false);
    writer_->setEnabled(false);
    ::close(socket_);
    socket_ = -1;
    queue_.clear();
    out_.clear();
}

void FlashWire::fail()
{
    if (socket_ < 0)
        return;
    close();
    emit closed();
}

void FlashWire::send(const QVariantList& message)
{
    if (socket_ < 0)
        return;
    queue_.push_back(message);
    flush();
}

void FlashWire::flush()
{
    while (!queue_.empty() && !spillWriting_ && socket_ >= 0) {
        if (spill_ && large(queue_.front())) {
            if (spillUnread_)
                return;  // the file still holds the last one
            startSpill(queue_.front());
            queue_.pop_front();
            return;
        }
        append(queue_.front());
        queue_.pop_front();
    }
    writable();
}

void FlashWire::startSpill(const QVariantList& message)
{
    // Encoding and writing a large movie holds a thread for a while: a
    // worker does it, and the messages after it wait.
    spillWriting_ = true;
    QPointer<FlashWire> self(this);
    QThreadPool::globalInstance()->start([self, spill = spill_, message] {
        const QByteArray body = encode(message);
        qint64 written = 0;
        if (::ftruncate(spill->fd, 0) == 0)
            while (written < body.size()) {
                const ssize_t n =
                        ::pwrite(spill->fd, body.constData() + written, size_t(body.size() - written), written);
                if (n <= 0)
                    break;
                written += n;
            }
        const qint64 size = written == body.size() ? written : -1;
        QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, size, message] {
                    if (self)
                        self->spillWritten(size, message);
                },
                Qt::QueuedConnection);
    });
}

void FlashWire::spillWritten(qint64 size, const QVariantList& message)
{
    spillWriting_ = false;
    if (size >= 0) {
        spillUnread_ = true;
        queue_.push_front({SpilledName, size});
    } else {
        append(message);  // the file is full: the socket takes it
    }
    flush();
}

void FlashWire::append(const QVariantList& message)
{
    const QByteArray body = encode(message);
    uchar length[LengthBytes];
    qToBigEndian(quint32(body.size()), length);
    out_.append(reinterpret_cast<const char*>(length), LengthBytes);
    out_.append(body);
}

void FlashWire::writable()
{
    while (!out_.isEmpty() && socket_ >= 0) {
        const ssize_t n = ::send(socket_, out_.constData(), size_t(out_.size()), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        if (n <= 0)
            return fail();
        out_.remove(0, n);
    }
    if (socket_ >= 0)
        writer_->setEnabled(!out_.isEmpty());
}

void FlashWire::readable()
{
    constexpr qsizetype Chunk = 64 * 1024;
    for (;;) {
        const qsizetype had = in_.size();
        in_.resize(had + Chunk);
        const ssize_t n = ::recv(socket_, in_.data() + had, Chunk, 0);
        in_.resize(had + std::max<ssize_t>(n, 0));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        if (n <= 0)
            return fail();
    }
    qsizetype at = 0;
    while (socket_ >= 0 && in_.size() - at >= LengthBytes) {
        const quint32 length = qFromBigEndian<quint32>(in_.constData() + at);
        if (length > LargestMessage)
            return fail();
        if (in_.size() - at - LengthBytes < qsizetype(length))
            break;
        QVariantList message;
        if (!decode(in_.mid(at + LengthBytes, length), message))
            return fail();
        at += LengthBytes + length;
        deliver(message);
    }
    in_.remove(0, at);
}

void FlashWire::deliver(const QVariantList& message)
{
    const QString name = message.first().toString();
    if (name == SpilledName)
        return takeSpill(message.value(1).toLongLong());
    if (name == SpillReadName) {
        spillUnread_ = false;
        // The movie has been read: its copy in the file goes, off this thread.
        if (spill_)
            QThreadPool::globalInstance()->start([spill = spill_] { (void)::ftruncate(spill->fd, 0); });
        return flush();
    }
    emit received(message);
}

void FlashWire::takeSpill(qint64 size)
{
    QByteArray body;
    if (spill_ && size > 0 && size <= LargestMessage) {
        body.resize(size);
        qint64 got = 0;
        while (got < size) {
            const ssize_t n = ::pread(spill_->fd, body.data() + got, size_t(size - got), got);
            if (n <= 0)
                break;
            got += n;
        }
        body.resize(got);
    }
    send({SpillReadName});
    QVariantList message;
    if (decode(body, message))
        emit received(message);
}

}  // namespace corvane
