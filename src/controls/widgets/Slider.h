#pragma once
// The slider: a horizontal track bar with integer minimum, maximum and value.
#include "Dispatch.h"

#include <QSlider>

namespace corvane {

class Slider : public QSlider, public Dispatch {
    Q_OBJECT
public:
    explicit Slider(QWidget* parent = nullptr);

    void put(DispId id, const Variant& value) override;
    Variant get(DispId id) override;
    Variant call(DispId id, const Args& args = {}) override;
};

}  // namespace corvane
