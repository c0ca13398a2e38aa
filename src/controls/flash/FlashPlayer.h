#pragma once
// The Flash player control: a display area that plays a movie.
#include "Dispatch.h"

#include <QWidget>

namespace corvane {

class FlashPlayer : public QWidget, public Dispatch {
    Q_OBJECT
public:
    explicit FlashPlayer(QWidget* parent = nullptr);

    void put(DispId id, const Variant& value) override;
    Variant get(DispId id) override;
    Variant call(DispId id, const Args& args = {}) override;

private:
    QString movie_;
};

} // namespace corvane
