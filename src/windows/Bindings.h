#pragma once
// Which notification of which control runs which handler: the whole
// wiring of the main window, in one table.
#include "Dispatch.h"

#include <span>

namespace corvane {

class Form1;

struct Binding {
    const char* source;  // a control or menu item of Form1
    DispId event;        // the notification
    void (*handler)(Form1& form, const Args& args);
    bool coalesce = false;  // a newer one replaces a waiting one
};

std::span<const Binding> bindings();

}  // namespace corvane
