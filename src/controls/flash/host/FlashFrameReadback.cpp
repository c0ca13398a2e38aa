#include "FlashFrameReadback.h"

#include <private/qrhi_p.h>
#include <QQuickWindow>
#include <QSGRendererInterface>

namespace corvane {

namespace {

QImage::Format imageFormat(QRhiTexture::Format format)
{
    switch (format) {
    case QRhiTexture::RGBA8: return QImage::Format_RGBA8888_Premultiplied;
    case QRhiTexture::BGRA8: return QImage::Format_ARGB32_Premultiplied;
    default: return QImage::Format_Invalid;
    }
}

// The texture the window draws to, when it draws to one of its own.
QRhiTexture* targetTexture(QSGRendererInterface* renderer, QQuickWindow* window)
{
    auto* target = static_cast<QRhiRenderTarget*>(
            renderer->getResource(window, QSGRendererInterface::RhiRedirectRenderTarget));
    if (!target || target->resourceType() != QRhiResource::TextureRenderTarget)
        return nullptr;
    const QRhiTextureRenderTargetDescription description = static_cast<QRhiTextureRenderTarget*>(target)->description();
    if (description.cbeginColorAttachments() == description.cendColorAttachments())
        return nullptr;
    return description.colorAttachmentAt(0)->texture();
}

}  // namespace

FlashFrameReadback::FlashFrameReadback() : result_(std::make_unique<QRhiReadbackResult>()) {}

FlashFrameReadback::~FlashFrameReadback() = default;

bool FlashFrameReadback::request(QQuickWindow* window, Done done)
{
    QSGRendererInterface* renderer = window->rendererInterface();
    if (pending_ || !renderer || !QSGRendererInterface::isApiRhiBased(renderer->graphicsApi()))
        return false;
    auto* rhi = static_cast<QRhi*>(renderer->getResource(window, QSGRendererInterface::RhiResource));
    auto* commands = static_cast<QRhiCommandBuffer*>(
            renderer->getResource(window, QSGRendererInterface::RhiRedirectCommandBuffer));
    QRhiTexture* texture = targetTexture(renderer, window);
    if (!rhi || !commands || !texture || texture->sampleCount() > 1
        || imageFormat(texture->format()) == QImage::Format_Invalid)
        return false;

    const bool upsideDown = rhi->isYUpInFramebuffer();
    *result_ = {};
    result_->completed = [this, upsideDown, done = std::move(done)] {
        pending_ = false;
        QRhiReadbackResult& read = *result_;
        const QImage::Format format = imageFormat(read.format);
        const QSize size = read.pixelSize;
        if (format == QImage::Format_Invalid || size.isEmpty()
            || read.data.size() < qsizetype(size.width()) * size.height() * 4)
            return done({});
        // One pass from the read bytes to an image of our own, then turned
        // upright in place.
        const QImage bytes(reinterpret_cast<const uchar*>(read.data.constData()), size.width(), size.height(),
                           size.width() * 4, format);
        QImage frame = bytes.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        read.data.clear();
        done(upsideDown ? std::move(frame).mirrored() : std::move(frame));
    };
    QRhiResourceUpdateBatch* batch = rhi->nextResourceUpdateBatch();
    batch->readBackTexture(QRhiReadbackDescription(texture), result_.get());
    pending_ = true;
    commands->resourceUpdate(batch);
    return true;
}

}  // namespace corvane
