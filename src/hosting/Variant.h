#pragma once
// A late-bound value: empty, text, 32-bit signed integer or boolean.
// Booleans become -1 (true) or 0 (false) when read as numbers.
#include <cstdint>
#include <QString>
#include <variant>

namespace corvane {

class Variant {
public:
    enum class Type { Empty, Text, Int, Bool };

    Variant() = default;
    Variant(const QString& text) : v_(text) {}
    Variant(const char* text) : v_(QString::fromUtf8(text)) {}
    Variant(int32_t n) : v_(n) {}
    Variant(bool b) : v_(b) {}

    Type type() const { return static_cast<Type>(v_.index()); }
    bool isEmpty() const { return type() == Type::Empty; }

    // Text form: numbers in decimal, booleans as "True"/"False".
    QString toText() const;
    // Whole number form; text that is no number, and empty, give 0.
    int32_t toInt() const;
    bool toBool() const { return toInt() != 0; }

    bool operator==(const Variant&) const = default;

private:
    std::variant<std::monostate, QString, int32_t, bool> v_;
};

// For test diagnostics and logs.
QString describe(const Variant& v);

}  // namespace corvane
