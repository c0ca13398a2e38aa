#pragma once
// The messages between the Flash display area and its host process. Each is
// a list of plain values whose first names it; on the socket it is a length
// and the list in Qt's data stream. A message that holds a large byte array
// (a movie) goes through a shared file instead: a worker thread writes it
// there, and only its length crosses the socket. Messages arrive in the order
// they were sent. Plain file descriptors and QtCore only, so that the program
// needs no network library for it.
#include <deque>
#include <functional>
#include <memory>
#include <QByteArray>
#include <QObject>
#include <QVariantList>
#include <utility>

class QSocketNotifier;

namespace corvane {

class FlashWire : public QObject {
    Q_OBJECT
public:
    // Which end this is: the display area's, or the host process's.
    enum class Side { Area, Host };

    // Talks over the connected stream socket `socket` and takes it over;
    // `spill` is the shared file for messages with bytes, taken over as well
    // (-1: none; such messages then cross the socket if they fit).
    FlashWire(int socket, int spill, Side side, QObject* parent = nullptr);
    ~FlashWire() override;

    bool open() const { return socket_ >= 0; }
    // The turns of reading, since the last call, that ran out of time with
    // whole messages still waiting: the other side sends faster than this
    // side takes them.
    int takeOverrunTurns() { return std::exchange(overrunTurns_, 0); }
    // Queues the message; nothing once the other side is gone.
    void send(const QVariantList& message);
    // Ends the connection: the other side sees it closed.
    void close();
    // Sends what is queued and waits at most `ms` for a message that `until`
    // accepts, delivering nothing meanwhile: for the end of the program only.
    bool sendAndWait(int ms, const std::function<bool(const QVariantList&)>& until);

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
    void resume();  // reads on after a turn given to the event loop
    void writable();
    void deliver(const QVariantList& message);
    void takeSpill(qint64 size);
    void fail();
    bool holdsMessage() const;  // a whole message waits in what was read
    bool takeMessages(const std::function<bool(const QVariantList&)>& each);
    // Reads a chunk: 1 when something came, 0 when nothing is there yet,
    // -1 when the other side is gone.
    int receive();

    int socket_ = -1;
    Side side_;
    std::shared_ptr<Spill> spill_;
    QSocketNotifier* reader_ = nullptr;
    QSocketNotifier* writer_ = nullptr;
    QByteArray in_, out_;
    int overrunTurns_ = 0;
    std::deque<QVariantList> queue_;  // held back behind a message on its way through the file
    bool spillWriting_ = false;       // a worker is writing the file
    bool spillUnread_ = false;        // the other side has not read the file yet
};

}  // namespace corvane
