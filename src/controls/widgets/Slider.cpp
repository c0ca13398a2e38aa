#include "Slider.h"

#include "DispatchIds.h"

namespace corvane {

Slider::Slider(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    setRange(0, 10);
    setTickPosition(QSlider::TicksBelow);
    setFocusPolicy(Qt::StrongFocus);
}

void Slider::put(DispId id, const Variant& value)
{
    using namespace dispid::slider;
    // QSlider keeps min <= max itself, so a value outside is clamped.
    switch (id) {
    case Min: setMinimum(value.toInt()); break;
    case Max: setMaximum(value.toInt()); break;
    case Value: setValue(value.toInt()); break;
    default: break;
    }
    // Ticks every tenth of the range keep the bar readable at any length.
    // Set only when the range moved them: setting them repaints the bar, and
    // the position is put again at every status update, paused too.
    const int span = maximum() - minimum();
    const int ticks = span > 0 ? qMax(1, span / 10) : 1;
    if (ticks != tickInterval())
        setTickInterval(ticks);
}

Variant Slider::get(DispId id)
{
    using namespace dispid::slider;
    switch (id) {
    case Min: return int32_t(minimum());
    case Max: return int32_t(maximum());
    case Value: return int32_t(value());
    default: return {};
    }
}

Variant Slider::call(DispId, const Args&) { return {}; }

}  // namespace corvane
