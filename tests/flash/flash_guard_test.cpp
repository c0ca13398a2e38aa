// The request guard of the Flash page lets through its own scheme and host,
// data: and blob:, and nothing else.
#include "FlashRequestGuard.h"

#include <QTest>
#include <QUrl>

using namespace corvane;

class FlashGuardTest : public QObject {
    Q_OBJECT
private slots:
    void letsOnlyOwnDataAndBlobThrough_data();
    void letsOnlyOwnDataAndBlobThrough();
};

void FlashGuardTest::letsOnlyOwnDataAndBlobThrough_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("own page") << "corvane://flash/host.html" << true;
    QTest::newRow("own wasm") << "corvane://flash/x.wasm" << true;
    QTest::newRow("data") << "data:text/plain,hi" << true;
    QTest::newRow("blob") << "blob:corvane://flash/0d1b" << true;
    QTest::newRow("other host of own scheme") << "corvane://elsewhere/host.html" << false;
    QTest::newRow("http") << "http://127.0.0.1/" << false;
    QTest::newRow("https") << "https://example.org/" << false;
    QTest::newRow("websocket") << "ws://127.0.0.1/" << false;
    QTest::newRow("file") << "file:///etc/passwd" << false;
    QTest::newRow("qrc") << "qrc:/corvane-flash/host.html" << false;
    QTest::newRow("ftp") << "ftp://127.0.0.1/" << false;
    QTest::newRow("javascript") << "javascript:alert(1)" << false;
}

void FlashGuardTest::letsOnlyOwnDataAndBlobThrough()
{
    QFETCH(QString, url);
    QFETCH(bool, allowed);
    QCOMPARE(FlashRequestGuard::allowed(QUrl(url)), allowed);
}

QTEST_GUILESS_MAIN(FlashGuardTest)
#include "flash_guard_test.moc"
