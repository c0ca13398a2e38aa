// The display area's end of the wire to its host process, fed by a host that
// lies: every message it may send passes, anything else ends the connection,
// and nothing it sends, however made, brings the area down or holds it up.
#include "wire/FlashCodec.h"
#include "wire/FlashFrames.h"
#include "wire/FlashInput.h"
#include "wire/FlashProtocol.h"
#include "wire/FlashSchema.h"
#include "wire/FlashWire.h"

#include <QInputMethodEvent>
#include <QPoint>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtEndian>
#include <QTest>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace corvane;
using namespace corvane::flashwire;

namespace {

QByteArray framed(const QByteArray& body)
{
    QByteArray out(4, Qt::Uninitialized);
    qToBigEndian(quint32(body.size()), out.data());
    return out + body;
}

// The area's end of a new wire, and the raw end a stand-in host writes to.
struct Pair {
    std::unique_ptr<FlashWire> area;
    int host = -1;
    QList<QVariantList> got;
    bool closed = false;
    Pair()
    {
        int fds[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
            return;
        area = std::make_unique<FlashWire>(fds[0], -1, FlashWire::Side::Area);
        host = fds[1];
        QObject::connect(area.get(), &FlashWire::received, [this](const QVariantList& m) { got << m; });
        QObject::connect(area.get(), &FlashWire::closed, [this] { closed = true; });
    }
    ~Pair()
    {
        if (host >= 0)
            ::close(host);
    }
    // Writes the bytes, then lets the area read until it has taken them all in.
    void feed(const QByteArray& bytes)
    {
        qsizetype at = 0;
        ::fcntl(host, F_SETFL, O_NONBLOCK);
        while (at < bytes.size() && !closed) {
            const ssize_t n = ::send(host, bytes.constData() + at, size_t(bytes.size() - at), MSG_NOSIGNAL);
            if (n > 0)
                at += n;
            QCoreApplication::processEvents();
        }
        // The reader drains what was written; a last turn delivers it.
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
};

// One message of each kind a host sends, as it sends them.
QList<QVariantList> hostMessages()
{
    const QVariantList entry{QStringLiteral("play"), QString(), true, true, false};
    return {
            {QString::fromLatin1(Ready)},
            {QString::fromLatin1(Reply), qint64(7), QVariantList{QVariant(entry)}},
            {QString::fromLatin1(Reply), qint64(8), QVariantMap{{"a", 1.5}, {"b", QVariantList{true, "x"}}}},
            {QString::fromLatin1(Reply), qint64(9), QVariant()},
            {QString::fromLatin1(Process), qint64(1234)},
            {QString::fromLatin1(Cursor), int(Qt::PointingHandCursor)},
            {QString::fromLatin1(Frame), 289, 209, qint64(289 * 4), int(QImage::Format_ARGB32_Premultiplied), 1.0},
            {QString::fromLatin1(Blank)},
            {QString::fromLatin1(Pong), qint64(3)},
            {QString::fromLatin1(FullScreen), true},
    };
}

}  // namespace

class FlashWireTest : public QObject {
    Q_OBJECT

private slots:
    // What a host may send arrives as it was sent; each lie ends the wire, and
    // nothing after it is delivered.
    void messagesPassAndLiesEndTheWire()
    {
        Pair all;
        QByteArray bytes;
        for (const QVariantList& m : hostMessages())
            bytes += framed(flashcodec::encode(m));
        all.feed(bytes);
        QVERIFY(!all.closed);
        QCOMPARE(all.got, hostMessages());

        const QList<QVariantList> lies = {
                {QString::fromLatin1(Frame), "289", 209, qint64(1156), 5, 1.0},  // a text for a number
                {QString::fromLatin1(Frame), 289, 209, qint64(1156), 4, 1.0},    // another pixel format
                {QString::fromLatin1(Frame), 1 << 20, 209, qint64(1156), 5, 1.0},
                {QString::fromLatin1(Reply), 7.0, QVariant()},         // an id that is no whole number
                {QString::fromLatin1(Process), qint64(5), qint64(6)},  // a field too many
                {QString::fromLatin1(Cursor), 1000},
                {QString::fromLatin1(Pong)},
                {QString::fromLatin1(FullScreen), 1},                               // a number for a flag
                {QString::fromLatin1(FullScreen)},                                  // no flag
                {QString::fromLatin1(Screen), true},                                // the area's own
                {QString::fromLatin1(Spilled), qint64(10)},                         // the host has no file to fill
                {QString::fromLatin1(SpillRead)},                                   // nothing was spilled
                {QStringLiteral("engine"), qint64(0), QStringLiteral("openPage")},  // the area's own
                {42},
                {QStringLiteral("no such message")},
        };
        for (const QVariantList& lie : lies) {
            Pair one;
            one.feed(framed(flashcodec::encode(lie)) + framed(flashcodec::encode({QString::fromLatin1(Ready)})));
            QVERIFY2(one.closed && one.got.isEmpty(), qPrintable(lie.value(0).toString()));
        }
    }

    // Claims past what the bytes hold, kinds the wire has not, nesting without
    // end and lengths past the bound end the wire before anything is held for them.
    void claimsEndTheWire()
    {
        const auto list = [](quint32 count, const QByteArray& rest = {}) {
            QByteArray b(5, Qt::Uninitialized);
            b[0] = 9;  // a list
            qToBigEndian(count, b.data() + 1);
            return b + rest;
        };
        QByteArray deep;
        for (int i = 0; i < 100; ++i)
            deep = list(1, deep);
        const QList<QByteArray> bodies = {
                list(0x80000000u),                                       // 2^31 entries in five bytes
                list(1, QByteArray("\x05\x7f\xff\xff\xfe", 5)),          // a text of 2 GiB
                list(1, QByteArray("\x06\xff\xff\xff\xf0", 5)),          // bytes of 4 GiB
                list(1, QByteArray("\x7f", 1)),                          // a kind the wire has not
                deep,                                                    // lists in lists
                flashcodec::encode({QString::fromLatin1(Ready)}) + "x",  // more after the message
        };
        for (const QByteArray& body : bodies) {
            Pair one;
            one.feed(framed(body));
            QVERIFY(one.closed && one.got.isEmpty());
        }
        Pair huge;  // the length alone is too much
        QByteArray length(4, Qt::Uninitialized);
        qToBigEndian(quint32(ControlBytes + 1), length.data());
        huge.feed(length);
        QVERIFY(huge.closed);
    }

    // Random and mutated messages of every kind: the area takes the valid, ends the
    // wire on the rest, and goes on. A host that floods is cut off, not read forever.
    void fuzz()
    {
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator random(seed);
        const QList<QVariantList> valid = hostMessages();
        for (int round = 0; round < 2000; ++round) {
            QByteArray body = flashcodec::encode(valid.at(int(random.bounded(valid.size()))));
            switch (random.bounded(4)) {
            case 0:  // bytes flipped
                for (int i = 0, n = 1 + int(random.bounded(4)); i < n; ++i)
                    body[int(random.bounded(body.size()))] = char(random.bounded(256));
                break;
            case 1: body.truncate(int(random.bounded(body.size()))); break;
            case 2: {  // noise
                body.resize(int(random.bounded(256)));
                for (char& c : body)
                    c = char(random.bounded(256));
                break;
            }
            default: body.insert(int(random.bounded(body.size())), char(random.bounded(256))); break;
            }
            Pair one;
            one.feed(framed(body) + framed(flashcodec::encode({QString::fromLatin1(Ready)})));
            for (const QVariantList& m : std::as_const(one.got))
                QVERIFY(!m.isEmpty() && m.first().typeId() == QMetaType::QString);
        }
        Pair flood;  // 64 MiB of valid messages, written faster than anyone reads
        const QByteArray pong = framed(flashcodec::encode({QString::fromLatin1(Pong), qint64(1)}));
        QByteArray lots;
        while (lots.size() < 1 << 20)
            lots += pong;
        for (int i = 0; i < 64 && !flood.closed; ++i)
            flood.feed(lots);
        QVERIFY(!flood.closed);  // valid messages, read as they come
        QVERIFY(flood.got.size() > 1000);
    }

    // The frames' memory cannot be cut under the area, and one that could is not read.
    void framesCannotShrink()
    {
        const int fd = FlashFrames::create();
        QVERIFY(fd >= 0);
        QVERIFY(::ftruncate(fd, 4096) != 0);
        FlashFrames area(::dup(fd), false);
        QVERIFY(area.mapped());
        ::close(fd);
        const int open = ::memfd_create("unsealed", MFD_CLOEXEC);
        QCOMPARE(::ftruncate(open, FrameCapacity), 0);
        FlashFrames refused(open, false);
        QVERIFY(!refused.mapped());
        QVERIFY(area.read({QString::fromLatin1(Frame), 289, 209, qint64(289 * 4), 6, 1.0}).size() == QSize(289, 209));
    }

    // Movies handed over one after another each arrive whole, though the file
    // that carries them is emptied behind each one read.
    void moviesInARowArriveWhole()
    {
        int fds[2];
        QCOMPARE(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        const int spill = ::memfd_create("spill", MFD_CLOEXEC);
        FlashWire area(fds[0], spill, FlashWire::Side::Area);
        FlashWire host(fds[1], ::dup(spill), FlashWire::Side::Host);
        QList<QByteArray> got;
        bool closed = false;
        QObject::connect(&host, &FlashWire::received, [&](const QVariantList& m) { got << m.value(3).toByteArray(); });
        QObject::connect(&host, &FlashWire::closed, [&] { closed = true; });
        constexpr int Movies = 200;
        const auto movie = [](int i) { return QByteArray(4096 + i, char('a' + i % 26)); };
        for (int i = 0; i < Movies; ++i)
            area.send({QString::fromLatin1(EngineCall), qint64(i + 1), QStringLiteral("loadMovie"), movie(i),
                       QStringLiteral("/m.swf"), true, false});
        QVERIFY(QTest::qWaitFor([&] { return got.size() == Movies || closed; }, 60000));
        QVERIFY(!closed);
        for (int i = 0; i < Movies; ++i)
            QVERIFY2(got.at(i) == movie(i), qPrintable(QString::number(i)));
    }

    // Text that an input method commits crosses whole, in pieces that the host takes and
    // none of which splits a character; the host takes no empty or oversized piece.
    void typedTextCrossesInPieces()
    {
        const QString text =
                QString(TypedChars - 1, QChar(0x4E2D)) + QString::fromUcs4(U"\U0001F600") + QStringLiteral("ab");
        QInputMethodEvent typed;
        typed.setCommitString(text);
        const QList<QVariantList> pieces = flashinput::encode(typed);
        QCOMPARE(pieces.size(), 2);
        QString whole;
        for (const QVariantList& m : pieces) {
            QVERIFY(flashschema::toHost(m) && !m.at(2).toString().back().isHighSurrogate());
            const std::unique_ptr<QEvent> back = flashinput::decode(m);
            QVERIFY(back && back->type() == QEvent::InputMethod);
            whole += static_cast<const QInputMethodEvent&>(*back).commitString();
        }
        QCOMPARE(whole, text);
        QVERIFY(flashinput::encode(QInputMethodEvent()).isEmpty());
        const QString input = QString::fromLatin1(Input);
        QVERIFY(!flashschema::toHost({input, int(QEvent::InputMethod), QString()}));
        QVERIFY(!flashschema::toHost({input, int(QEvent::InputMethod), QString(TypedChars + 1, u'x')}));
    }
};

QTEST_GUILESS_MAIN(FlashWireTest)

#include "flash_wire_test.moc"
