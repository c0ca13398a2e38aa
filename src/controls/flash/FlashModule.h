#pragma once
// Loads the web module of the Flash display area, once per process.
#include "FlashEngine.h"

namespace corvane::flashmodule {

// The module's factory, or null when it cannot be found or loaded.
CreateFlashEngine factory();

}  // namespace corvane::flashmodule
