#include "FlashModule.h"

#include "modules/ModuleLoader.h"

namespace corvane::flashmodule {
namespace {

ModuleLoader& module()
{
    // Loaded after the application started, the web engine remarks that it
    // did not share OpenGL contexts from the start. That is by design here:
    // the view then composes in software, which suits a 289 x 209 display.
    static ModuleLoader m(QStringLiteral(CORVANE_FLASH_MODULE_NAME), QStringLiteral(CORVANE_FLASH_MODULE_BUILD_PATH),
                          {QStringLiteral("initialized from a plugin")});
    return m;
}

}  // namespace

CreateFlashEngine factory() { return reinterpret_cast<CreateFlashEngine>(module().resolve(CreateFlashEngineSymbol)); }

void preload() { module().preload(); }

}  // namespace corvane::flashmodule
