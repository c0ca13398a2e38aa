#pragma once
// The display area's calls of the engine, by name, as the host process
// receives them: one line each in FlashEngineCalls.cpp, the area's side
// being one line in RemoteFlashEngine.h.
#include "flash/FlashEngine.h"

#include <functional>
#include <QVariantList>

namespace corvane::flashcalls {

// Answers a call that asked for an answer.
using Reply = std::function<void(const QVariant&)>;

// Runs the engine's method of this name with these arguments; false when
// there is no such method.
bool run(FlashEngine& engine, const QString& name, const QVariantList& args, const Reply& reply);

}  // namespace corvane::flashcalls
