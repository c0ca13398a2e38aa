// What the Flash display area draws: where the helper has OpenGL (here, on the test's X
// display, Mesa's software rasteriser) the page has WebGL and Ruffle its WebGL renderer, which
// draws the filters and blend modes that a canvas cannot. Each shows in the area's pixels
// where it belongs.
#include "FlashAreaTest.h"
#include "SwfTags.h"
#include "TestMain.h"

using namespace corvane;
using namespace corvane::test;

namespace {

// The stage is the area's size, so its pixels are the area's.
constexpr QSize Stage(289, 209);
const QColor Background(0x40, 0x60, 0x80);

// A box of `colour` (its corner at x, y; 40 pixels a side) with filters or a blend mode.
struct Effect {
    QPoint at;
    QColor colour;
    QList<QByteArray> filters;
    swf::Blend blend = swf::Blend::Normal;
};

constexpr int Side = 40;
const QColor White(0xff, 0xff, 0xff);
const QList<Effect> Effects = {
        {{20, 20}, White, {swf::dropShadowFilter(Qt::black, 2, 45, 8, 1)}},
        {{110, 20}, White, {swf::glowFilter(Qt::red, 8, 2)}},
        {{200, 20}, White, {swf::blurFilter(8)}},
        {{20, 130}, QColor(0xff, 0xff, 0x00), {}, swf::Blend::Invert},
        {{110, 130}, QColor(0x20, 0x20, 0x20), {}, swf::Blend::Subtract},
};

QByteArray effectsMovie()
{
    using namespace swf;
    QByteArray tags = tag(9, rgb(Background));
    int id = 0;
    for (const Effect& e : Effects) {
        ++id;
        tags += boxShape(id, e.at.x() * Twips, e.at.y() * Twips, Side * Twips, Side * Twips, e.colour);
        tags += placeObject3(id, id, 0, 0, e.filters, e.blend);
    }
    return movie(8, Stage.width(), Stage.height(), 24, 1, tags + tag(1, {}) + tag(0, {}));
}

bool near(QRgb p, const QColor& c, int tolerance = 16)
{
    return std::abs(qRed(p) - c.red()) <= tolerance && std::abs(qGreen(p) - c.green()) <= tolerance
            && std::abs(qBlue(p) - c.blue()) <= tolerance;
}

}  // namespace

class FlashRenderTest : public FlashAreaTest {
    Q_OBJECT

    // The area's pixel at this point of the stage.
    QRgb at(int x, int y) const
    {
        const QImage image = shot();
        return image.pixel(x * image.width() / Stage.width(), y * image.height() / Stage.height());
    }

private slots:
    void initTestCase()
    {
        openWindow(QPoint(940, 40));
        show(QStringLiteral("effects.swf"), effectsMovie());
        QVERIFY(shows(Background, 0.3, ColdStartMs));
    }

    // The page has WebGL, and Ruffle draws with it.
    void rufflesRendererIsWebGl()
    {
        QVERIFY(evaluate(QStringLiteral("!!document.createElement('canvas').getContext('webgl')")).toBool());
        QString renderer;
        QVERIFY(waitFor([&] {
            renderer = evaluate(QStringLiteral("corvaneFlash.status().renderer")).toString();
            return !renderer.isEmpty();
        }));
        QVERIFY2(renderer.contains(QLatin1String("webgl"), Qt::CaseInsensitive), qPrintable(renderer));
    }

    // A drop shadow below right of its box, a red glow round its box, a blurred box's edge
    // spread outwards; invert and subtract change the background beneath the box. The pointer
    // passes over the movie first: nothing of Ruffle's own comes over it then.
    void filtersAndBlendModesShowWhereTheyBelong()
    {
        QTest::mouseMove(player_, QPoint(player_->width() / 2, player_->height() / 2));
        QVERIFY(waitFor([&] { return near(at(250, 190), Background); }));
        const auto darker = [](QRgb p) {
            return qRed(p) < Background.red() - 0x20 && qGreen(p) < Background.green() - 0x20
                    && qBlue(p) < Background.blue() - 0x20;
        };
        QVERIFY2(waitFor([&] { return darker(at(64, 48)); }), "no drop shadow");
        QVERIFY2(near(at(40, 40), White), "the shadow's box");
        QVERIFY2(waitFor([&] {
                     const QRgb p = at(108, 40);
                     return qRed(p) > Background.red() + 0x30 && qRed(p) > qGreen(p) + 0x30;
                 }),
                 "no glow");
        QVERIFY2(waitFor([&] {
                     const QRgb p = at(197, 40);
                     return qGreen(p) > Background.green() + 0x18 && qRed(p) > Background.red() + 0x18;
                 }),
                 "no blur");
        const QColor inverted(0xff - Background.red(), 0xff - Background.green(), 0xff - Background.blue());
        QVERIFY2(waitFor([&] { return near(at(40, 150), inverted); }), "no invert");
        QVERIFY2(waitFor([&] { return near(at(130, 150), QColor(0x20, 0x40, 0x60)); }), "no subtract");
    }
};

CORVANE_WIDGET_TEST_MAIN(FlashRenderTest)
#include "flash_render_test.moc"
