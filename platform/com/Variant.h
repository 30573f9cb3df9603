#pragma once

#include <QString>
#include <cstdint>

namespace com {

// The value that crosses a dispatch call: property values, method and event
// arguments. A Boolean true is -1, as automation has it. Event parameters of
// 16-bit integers travel by reference, so a handler can change them and the
// raising control sees the change.
// Automation's Boolean as a number: true is -1, false 0.
using VariantBool = int16_t;
constexpr VariantBool kTrue = -1;
constexpr VariantBool kFalse = 0;

enum class VarType : uint16_t {
    Empty = 0,
    Int16 = 2,
    Int32 = 3,
    Single = 4,
    Double = 5,
    String = 8,
    Bool = 11,
    ByRefInt16 = 0x4002,
};

class Variant {
public:
    Variant() = default;
    explicit Variant(int16_t v) : m_type(VarType::Int16) { m_value.i2 = v; }
    explicit Variant(int32_t v) : m_type(VarType::Int32) { m_value.i4 = v; }
    explicit Variant(bool v) : m_type(VarType::Bool) { m_value.i2 = v ? -1 : 0; }
    explicit Variant(float v) : m_type(VarType::Single) { m_value.r4 = v; }
    explicit Variant(double v) : m_type(VarType::Double) { m_value.r8 = v; }
    explicit Variant(QString v) : m_type(VarType::String), m_string(std::move(v)) {}
    // Not a string: a pointer would silently become a Boolean.
    Variant(const char*) = delete;
    // A 16-bit integer the callee may change.
    static Variant byRef(int16_t* target);

    VarType type() const { return m_type; }
    bool isEmpty() const { return m_type == VarType::Empty; }

    // Conversions follow the automation rules: numbers round to the nearest
    // whole number, ties to even, and fail with overflow (6) when they do
    // not fit; text converts when it is a number ("True"/"False" for a
    // Boolean) and is a type mismatch (13) otherwise. Empty reads as 0, ""
    // and false. A by-reference value converts as the value it points at.
    int16_t toInt16() const;
    int32_t toInt32() const;
    bool toBool() const;
    float toSingle() const;
    double toDouble() const;
    QString toString() const;

    // The target of a by-reference value, or nullptr.
    int16_t* refInt16() const { return m_type == VarType::ByRefInt16 ? m_value.ref : nullptr; }

    // Same type and same value.
    friend bool operator==(const Variant& a, const Variant& b);

private:
    double number() const;

    VarType m_type = VarType::Empty;
    union {
        int16_t i2;
        int32_t i4;
        float r4;
        double r8;
        int16_t* ref;
    } m_value{};
    QString m_string;
};

}  // namespace com
