#pragma once
// Stand-in for the Flash player control in the launch benchmark: the same
// interface, an empty display area, no web engine.
#include "Dispatch.h"

#include <QWidget>

namespace corvane {

class FlashPlayer : public QWidget, public Dispatch {
    Q_OBJECT
public:
    explicit FlashPlayer(QWidget* parent = nullptr) : QWidget(parent) {}
    static void prepareApplication() {}
    void warmUp() {}
    void put(DispId, const Variant&) override {}
    Variant get(DispId) override { return {}; }
    Variant call(DispId, const Args& = {}) override { return {}; }

signals:
    void stoppedByEngine();
};

}  // namespace corvane
