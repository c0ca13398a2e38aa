#include "Variant.h"

#include <cmath>
#include <limits>

namespace corvane {

QString Variant::toText() const
{
    switch (type()) {
    case Type::Empty: return {};
    case Type::Text: return std::get<QString>(v_);
    case Type::Int: return QString::number(std::get<int32_t>(v_));
    case Type::Bool: return std::get<bool>(v_) ? QStringLiteral("True") : QStringLiteral("False");
    }
    return {};
}

int32_t Variant::toInt() const
{
    switch (type()) {
    case Type::Empty: return 0;
    case Type::Int: return std::get<int32_t>(v_);
    case Type::Bool: return std::get<bool>(v_) ? -1 : 0;
    case Type::Text: {
        bool ok = false;
        const double d = std::get<QString>(v_).trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(d))
            return 0;
        // Round half away from zero, clamped to the 32-bit range.
        const double r = std::round(d);
        if (r >= static_cast<double>(std::numeric_limits<int32_t>::max()))
            return std::numeric_limits<int32_t>::max();
        if (r <= static_cast<double>(std::numeric_limits<int32_t>::min()))
            return std::numeric_limits<int32_t>::min();
        return static_cast<int32_t>(r);
    }
    }
    return 0;
}

QString describe(const Variant& v)
{
    switch (v.type()) {
    case Variant::Type::Empty: return QStringLiteral("<empty>");
    case Variant::Type::Text: return QLatin1Char('"') + v.toText() + QLatin1Char('"');
    case Variant::Type::Int: return v.toText();
    case Variant::Type::Bool: return v.toBool() ? QStringLiteral("#true") : QStringLiteral("#false");
    }
    return {};
}

}  // namespace corvane
