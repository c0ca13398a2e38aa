// A stand-in for the Flash display's host process that misbehaves as a
// broken or hostile one could, chosen by CORVANE_STANDIN:
//   shrink  cuts the frames' memory, then tells of a full frame
//   flood   sends valid messages without end and reads nothing
//   lie     sends a frame whose fields are of the wrong kinds
//   silent  says it runs, then never answers again
//   crash   ends at once
#include "wire/FlashCodec.h"
#include "wire/FlashProtocol.h"

#include <cstdlib>
#include <QCoreApplication>
#include <QImage>
#include <QtEndian>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

using namespace corvane::flashwire;

namespace {

void sendRaw(const QVariantList& message)
{
    const QByteArray body = corvane::flashcodec::encode(message);
    QByteArray out(4, Qt::Uninitialized);
    qToBigEndian(quint32(body.size()), out.data());
    out += body;
    for (qsizetype at = 0; at < out.size();) {
        const ssize_t n = ::send(SocketFd, out.constData() + at, size_t(out.size() - at), MSG_NOSIGNAL);
        if (n <= 0)
            std::exit(0);  // the area has let go
        at += n;
    }
}

void idle()
{
    for (;;)
        ::pause();
}

}  // namespace

int main()
{
    const QByteArray mode = qgetenv("CORVANE_STANDIN");
    if (mode == "crash")
        std::abort();
    const QVariantList ready{QString::fromLatin1(Ready)};
    const QVariantList frame{
            QString::fromLatin1(Frame), 289, 209, qint64(289 * 4), int(QImage::Format_ARGB32_Premultiplied), 1.0};
    sendRaw(ready);
    if (mode == "shrink") {
        (void)::ftruncate(FramesFd, 0);
        for (int i = 0; i < 50; ++i)
            sendRaw(frame);
    } else if (mode == "flood") {
        for (qint64 i = 0;; ++i)
            sendRaw({QString::fromLatin1(Pong), i});
    } else if (mode == "lie") {
        sendRaw({QString::fromLatin1(Frame), QStringLiteral("289"), QVariantList{1, 2}, 1.5, true, QByteArray("x")});
    }
    idle();
}
