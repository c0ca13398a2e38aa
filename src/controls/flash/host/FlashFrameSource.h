#pragma once
// Where the host process sees the page draw: the web view that the engine
// puts into the area, and the Qt Quick widget inside it that shows what the
// page drew. It tells when that widget has drawn anew (nothing while the
// movie stands still) and when the view went away, and hands over what it
// drew: read back as it drew, or else grabbed.
#include "FlashFrameReadback.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSet>

class QWidget;
class QWebEngineView;

namespace corvane {

class FlashFrameSource : public QObject {
    Q_OBJECT
public:
    explicit FlashFrameSource(QWidget* area);
    // What the view shows now; a null image when it is hidden.
    QImage grab();
    // The widget that takes the page's input, if any.
    QWidget* inputTarget() const;
    // The view that shows the page, if any.
    QWebEngineView* view() const;

signals:
    void drawn();
    // The view shows: it may take the focus.
    void shown();
    void hidden();
    void cursorChanged(int shape);
    // The view has a drawing surface of its own from now on.
    void drawingAdded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watchView(QWebEngineView* view);
    void watchDrawing(QObject* child);

    QPointer<QWebEngineView> view_;
    QSet<QObject*> watched_;  // the Qt Quick windows heard from
    bool grabbing_ = false;   // a grab draws too, which is no news
    FlashFrameReadback readback_;
    QImage latest_;  // the frame last drawn and read back, not yet handed over
};

}  // namespace corvane
