#include "MediaKinds.h"

#include <stdexcept>

namespace corvane {

const MediaKind& mediaKind(const QString& name)
{
    for (const auto& k : kMediaKinds)
        if (name == QLatin1String(k.name))
            return k;
    throw std::out_of_range("unknown media kind");
}

}  // namespace corvane
