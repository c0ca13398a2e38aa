#pragma once
// Loads the web module of the Flash display area, once per process.
#include "FlashEngine.h"

namespace corvane::flashmodule {

// The module's factory, or null when it cannot be found or loaded. Loads
// it now if nobody did; waits for a load under way.
CreateFlashEngine factory();

// Calls `done` on the GUI thread with the factory once the module is
// loaded (null when it cannot be): at once when it is, else later from the
// event loop, the load having gone on on a worker thread. Call on the GUI
// thread.
void whenLoaded(std::function<void(CreateFlashEngine)> done);

}  // namespace corvane::flashmodule
