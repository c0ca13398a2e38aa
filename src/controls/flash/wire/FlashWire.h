#pragma once
// The messages between the Flash display area and its host process. Each is
// a list of plain values whose first names it; on the socket it is a length
// and the list in Qt's data stream. A message that holds a large byte array
// (a movie) goes through a shared file instead: a worker thread writes it
// there, and only its length crosses the socket. Messages arrive in the order
// they were sent. Plain file descriptors and QtCore only, so that the program
// needs no network library for it.
#include <deque>
#include <memory>
#include <QByteArray>
#include <QObject>
#include <QVariantList>

class QSocketNotifier;

namespace corvane {

class FlashWire : public QObject {
    Q_OBJECT
public:
    // Talks over the connected stream socket `socket` and takes it over;
    // `spill` is the shared file for large messages, taken over as well
    // (-1: none; large messages then cross the socket).
    FlashWire(int socket, int spill, QObject* parent = nullptr);
    ~FlashWire() override;

    bool open() const { return socket_ >= 0; }
    // Queues the message; nothing once the other side is gone.
    void send(const QVariantList& message);
    // Ends the connection: the other side sees it closed.
    void close();

    // A message this large or larger goes through the shared file.
    static constexpr qsizetype SpillBytes = 256 * 1024;

signals:
    void received(const QVariantList& message);
    // The other side went away, or sent what is no message.
    void closed();

private:
    struct Spill;
    void flush();
    void startSpill(const QVariantList& message);
    void spillWritten(qint64 size, const QVariantList& message);
    void append(const QVariantList& message);
    void readable();
    void writable();
    void deliver(const QVariantList& message);
    void takeSpill(qint64 size);
    void fail();

    int socket_ = -1;
    std::shared_ptr<Spill> spill_;
    QSocketNotifier* reader_ = nullptr;
    QSocketNotifier* writer_ = nullptr;
    QByteArray in_, out_;
    std::deque<QVariantList> queue_;  // held back behind a message on its way through the file
    bool spillWriting_ = false;       // a worker is writing the file
    bool spillUnread_ = false;        // the other side has not read the file yet
};

}  // namespace corvane
