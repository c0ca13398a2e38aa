#pragma once
// What handlers may do with a check box: enable it and read its value
// (0 unticked, 1 ticked, 2 greyed).
#include <cstdint>

namespace corvane {

class CheckBox {
public:
    virtual ~CheckBox() = default;
    virtual void setEnabled(bool enabled) = 0;
    virtual int16_t value() const = 0;
};

}  // namespace corvane
