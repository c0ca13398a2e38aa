#pragma once
// The command-button control: a push button with a caption, an optional
// 16 x 16 icon and a font. Hosted through `enabled` and a click notification.
#include "Dispatch.h"

#include <QAbstractButton>

namespace corvane {

class CommandButton : public QAbstractButton, public Dispatch {
    Q_OBJECT
public:
    explicit CommandButton(QWidget* parent = nullptr);

    void put(DispId id, const Variant& value) override;
    Variant get(DispId id) override;
    Variant call(DispId id, const Args& args = {}) override;

    QSize sizeHint() const override { return {75, 23}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void paintCaption(QPainter& p, const QRect& area);
    bool hovered_ = false;
};

}  // namespace corvane
