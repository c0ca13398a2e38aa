#include "FlashWire.h"

#include "FlashCodec.h"
#include "FlashProtocol.h"
#include "FlashSchema.h"

#include <atomic>
#include <cerrno>
#include <mutex>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QPointer>
#include <QSocketNotifier>
#include <QtEndian>
#include <QThreadPool>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcFlashWire, "corvane.flash.wire", QtWarningMsg)

namespace corvane {
namespace {

constexpr qsizetype LengthBytes = 4;
// Messages held back behind one on its way through the file.
constexpr size_t MostQueued = 4096;

bool hasBytes(const QVariantList& message)
{
    return std::any_of(message.begin(), message.end(),
                       [](const QVariant& v) { return v.typeId() == QMetaType::QByteArray; });
}

}  // namespace

// The shared file; whoever holds it last closes it. Workers empty it and
// write it; `written` counts the movies written, so that a worker sent to
// empty the file after one was read leaves the next alone.
struct FlashWire::Spill {
    int fd = -1;
    std::mutex mutex;
    std::atomic<quint64> written = 0;
    explicit Spill(int f) : fd(f) {}
    ~Spill()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

FlashWire::FlashWire(int socket, int spill, Side side, QObject* parent) : QObject(parent), socket_(socket), side_(side)
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
    if (queue_.size() >= MostQueued) {
        qCDebug(lcFlashWire) << "the other side reads nothing: closing";
        return fail();
    }
    queue_.push_back(message);
    flush();
}

void FlashWire::flush()
{
    while (!queue_.empty() && !spillWriting_ && socket_ >= 0) {
        if (spill_ && hasBytes(queue_.front())) {
            if (spillUnread_)
                break;  // the file still holds the last one
            startSpill(queue_.front());
            queue_.pop_front();
            break;
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
    ++spill_->written;
    QPointer<FlashWire> self(this);
    QThreadPool::globalInstance()->start([self, spill = spill_, message] {
        const QByteArray body = flashcodec::encode(message);
        const std::lock_guard lock(spill->mutex);
        qint64 written = 0;
        if (!body.isEmpty() && body.size() <= flashwire::SpillBytes && ::ftruncate(spill->fd, 0) == 0)
            while (written < body.size()) {
                const ssize_t n =
                        ::pwrite(spill->fd, body.constData() + written, size_t(body.size() - written), written);
                if (n <= 0)
                    break;
                written += n;
            }
        const qint64 size = !body.isEmpty() && written == body.size() ? written : -1;
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
        queue_.push_front({QString::fromLatin1(flashwire::Spilled), size});
    } else {
        append(message);  // the file is full: the socket takes it, if it fits
    }
    flush();
}

void FlashWire::append(const QVariantList& message)
{
    const QByteArray body = flashcodec::encode(message);
    if (body.isEmpty() || body.size() > flashwire::ControlBytes) {
        qCDebug(lcFlashWire) << "not sent, too large or of other kinds:" << message.value(0).toString();
        return;
    }
    if (out_.size() + body.size() > flashwire::Backlog) {
        qCDebug(lcFlashWire) << "the other side reads nothing: closing";
        return fail();
    }
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

int FlashWire::receive()
{
    // A chunk at a time, so that no more than one message and a chunk are
    // ever held unread.
    constexpr qsizetype Chunk = 64 * 1024;
    for (;;) {
        const qsizetype had = in_.size();
        in_.resize(had + Chunk);
        const ssize_t n = ::recv(socket_, in_.data() + had, Chunk, 0);
        in_.resize(had + std::max<ssize_t>(n, 0));
        if (n > 0)
            return 1;
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : -1;
    }
}

bool FlashWire::holdsMessage() const
{
    return in_.size() >= LengthBytes && in_.size() - LengthBytes >= qsizetype(qFromBigEndian<quint32>(in_.constData()));
}

bool FlashWire::takeMessages(const std::function<bool(const QVariantList&)>& each)
{
    qsizetype at = 0;
    bool goOn = true;
    while (goOn && socket_ >= 0 && in_.size() - at >= LengthBytes) {
        const quint32 length = qFromBigEndian<quint32>(in_.constData() + at);
        if (qsizetype(length) > flashwire::ControlBytes)
            return false;
        if (in_.size() - at - LengthBytes < qsizetype(length))
            break;
        QVariantList message;
        if (!flashcodec::decode(in_.mid(at + LengthBytes, length), message))
            return false;
        at += LengthBytes + length;
        goOn = each(message);
    }
    in_.remove(0, at);
    return true;
}

void FlashWire::readable()
{
    QPointer<FlashWire> self(this);
    // A side that sends without end gets a few milliseconds of this thread at
    // a time. The rest waits for the next turn of the event loop, with the
    // socket left unread meanwhile, so that no more than one message and a
    // chunk are ever held. What came before the other side's end is all
    // delivered at once: it is no more than that.
    constexpr int TurnMs = 5;
    const QDeadlineTimer turn(TurnMs);
    for (;;) {
        // What a turn left is taken before the socket is read again.
        const int got = holdsMessage() ? 1 : receive();
        const bool fine = takeMessages([&](const QVariantList& message) {
            deliver(message);
            return bool(self) && (got < 0 || !turn.hasExpired());
        });
        if (!self)
            return;
        if (!fine || got < 0)
            return fail();
        if (socket_ < 0)
            return;
        if (turn.hasExpired()) {
            if (holdsMessage())
                ++overrunTurns_;
            reader_->setEnabled(false);
            QMetaObject::invokeMethod(this, &FlashWire::resume, Qt::QueuedConnection);
            return;
        }
        if (got == 0)
            return;
    }
}

void FlashWire::resume()
{
    if (socket_ < 0)
        return;
    reader_->setEnabled(true);
    readable();
}

void FlashWire::deliver(const QVariantList& message)
{
    const QString name = message.value(0).toString();
    if (name == QLatin1String(flashwire::Spilled)) {
        if (side_ != Side::Host || message.size() != 2 || message.at(1).typeId() != QMetaType::LongLong)
            return fail();
        return takeSpill(message.at(1).toLongLong());
    }
    if (name == QLatin1String(flashwire::SpillRead)) {
        if (!spillUnread_ || message.size() != 1)
            return fail();
        spillUnread_ = false;
        // The movie has been read: its copy in the file goes, off this thread,
        // unless the next one is written meanwhile.
        if (spill_)
            QThreadPool::globalInstance()->start([spill = spill_, read = spill_->written.load()] {
                const std::lock_guard lock(spill->mutex);
                if (spill->written == read)
                    (void)::ftruncate(spill->fd, 0);
            });
        return flush();
    }
    const bool valid = side_ == Side::Area ? flashschema::fromHost(message) : flashschema::toHost(message);
    if (!valid) {
        qCDebug(lcFlashWire) << "not a message this side takes:" << name;
        return fail();
    }
    emit received(message);
}

void FlashWire::takeSpill(qint64 size)
{
    QByteArray body;
    if (spill_ && size > 0 && size <= flashwire::SpillBytes) {
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
    send({QString::fromLatin1(flashwire::SpillRead)});
    QVariantList message;
    if (!flashcodec::decode(body, message) || !flashschema::toHost(message))
        return fail();
    emit received(message);
}

bool FlashWire::sendAndWait(int ms, const std::function<bool(const QVariantList&)>& until)
{
    QDeadlineTimer deadline(ms);
    bool found = false;
    while (socket_ >= 0 && !found && !deadline.hasExpired()) {
        flush();
        pollfd p{socket_, short(POLLIN | (out_.isEmpty() ? 0 : POLLOUT)), 0};
        const int ready = ::poll(&p, 1, int(std::max<qint64>(1, deadline.remainingTime())));
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0 || !(p.revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        const int got = receive();
        const bool fine = takeMessages([&](const QVariantList& message) {
            found = until(message);
            return !found;
        });
        if (!fine || (got < 0 && !found))
            break;
    }
    return found;
}

}  // namespace corvane
