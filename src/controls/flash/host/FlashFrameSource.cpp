#include "FlashFrameSource.h"

#include <QChildEvent>
#include <QQuickWidget>
#include <QQuickWindow>
#include <QWebEngineView>

#include <utility>

namespace corvane {

FlashFrameSource::FlashFrameSource(QWidget* area) : QObject(area) { area->installEventFilter(this); }

void FlashFrameSource::watchView(QWebEngineView* view)
{
    if (view == view_)
        return;
    view_ = view;
    view->installEventFilter(this);
}

void FlashFrameSource::watchDrawing(QObject* child)
{
    auto* quick = qobject_cast<QQuickWidget*>(child);
    if (!quick || !quick->quickWindow())
        return;
    QQuickWindow* window = quick->quickWindow();
    if (watched_.contains(window))
        return;
    watched_.insert(window);
    // Told once the frame is read back, or in a later turn when it cannot
    // be and the grab draws it again. A grab's own drawing is not told, or
    // each frame's grab would bring on the next one.
    connect(window, &QQuickWindow::afterRendering, this, [this, window] {
        if (grabbing_)
            return;
        latest_ = {};
        const bool asked = readback_.request(window, [this](QImage frame) {
            latest_ = std::move(frame);
            QMetaObject::invokeMethod(this, &FlashFrameSource::drawn, Qt::QueuedConnection);
        });
        if (!asked)
            QMetaObject::invokeMethod(this, &FlashFrameSource::drawn, Qt::QueuedConnection);
    });
    connect(window, &QObject::destroyed, this, [this, window] { watched_.remove(window); });
    quick->installEventFilter(this);
    emit drawingAdded();
}

bool FlashFrameSource::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ChildPolished: {
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (auto* view = qobject_cast<QWebEngineView*>(child))
            watchView(view);
        else if (watched == view_)
            watchDrawing(child);
        break;
    }
    case QEvent::Show:
        if (watched == view_) {
            for (QQuickWidget* quick : view_->findChildren<QQuickWidget*>())
                watchDrawing(quick);
            QMetaObject::invokeMethod(this, &FlashFrameSource::drawn, Qt::QueuedConnection);
            emit shown();
        }
        break;
    case QEvent::Hide:
        if (watched == view_)
            emit hidden();
        break;
    case QEvent::CursorChange:
        if (auto* widget = qobject_cast<QQuickWidget*>(watched))
            emit cursorChanged(int(widget->cursor().shape()));
        break;
    default: break;
    }
    return false;
}

QImage FlashFrameSource::grab()
{
    if (!view_ || !view_->isVisible())
        return {};
    if (!latest_.isNull() && latest_.size() == view_->size() * view_->devicePixelRatio()) {
        latest_.setDevicePixelRatio(view_->devicePixelRatio());
        return std::exchange(latest_, {});
    }
    grabbing_ = true;
    QImage image = view_->grab().toImage();
    grabbing_ = false;
    return image;
}

QWidget* FlashFrameSource::inputTarget() const { return view_ ? view_->focusProxy() : nullptr; }

QWebEngineView* FlashFrameSource::view() const { return view_; }

}  // namespace corvane
