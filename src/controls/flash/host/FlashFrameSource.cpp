#include "FlashFrameSource.h"

#include <QChildEvent>
#include <QQuickWidget>
#include <QQuickWindow>
#include <QWebEngineView>

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
    // Queued: the widget has drawn into its image and the grab finds it.
    connect(quick->quickWindow(), &QQuickWindow::afterRendering, this, &FlashFrameSource::drawn,
            Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
    quick->installEventFilter(this);
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

QImage FlashFrameSource::grab() const
{
    if (!view_ || !view_->isVisible())
        return {};
    return view_->grab().toImage();
}

QWidget* FlashFrameSource::inputTarget() const { return view_ ? view_->focusProxy() : nullptr; }

}  // namespace corvane
