#include "com/Variant.h"

#include "com/Conversions.h"
#include "errors/RuntimeError.h"

namespace com {

Variant Variant::byRef(int16_t* target) {
    Variant v;
    v.m_type = VarType::ByRefInt16;
    v.m_value.ref = target;
    return v;
}

double Variant::number() const {
    switch (m_type) {
        case VarType::Empty:
            return 0;
        case VarType::Int16:
        case VarType::Bool:
            return m_value.i2;
        case VarType::Int32:
            return m_value.i4;
        case VarType::Single:
            return m_value.r4;
        case VarType::Double:
            return m_value.r8;
        case VarType::ByRefInt16:
            return m_value.ref ? *m_value.ref : 0;
        case VarType::String: {
            const QString text = m_string.trimmed();
            if (text.compare(u"True", Qt::CaseInsensitive) == 0) return -1;
            if (text.compare(u"False", Qt::CaseInsensitive) == 0) return 0;
            bool ok = false;
            const double d = text.toDouble(&ok);
            if (!ok) errors::raiseError(errors::TypeMismatch);
            return d;
        }
    }
    errors::raiseError(errors::TypeMismatch);
}

int16_t Variant::toInt16() const { return com::toInt16(number()); }
int32_t Variant::toInt32() const { return com::toInt32(number()); }
bool Variant::toBool() const { return number() != 0; }
float Variant::toSingle() const { return float(number()); }
double Variant::toDouble() const { return number(); }

QString Variant::toString() const {
    switch (m_type) {
        case VarType::Empty:
            return {};
        case VarType::String:
            return m_string;
        case VarType::Bool:
            return m_value.i2 ? QStringLiteral("True") : QStringLiteral("False");
        case VarType::Single:
            return QString::number(m_value.r4);
        case VarType::Double:
            return QString::number(m_value.r8);
        default:
            return QString::number(int32_t(number()));
    }
}

bool operator==(const Variant& a, const Variant& b) {
    if (a.m_type != b.m_type) return false;
    switch (a.m_type) {
        case VarType::Empty:
            return true;
        case VarType::String:
            return a.m_string == b.m_string;
        case VarType::ByRefInt16:
            return a.m_value.ref == b.m_value.ref;
        default:
            return a.number() == b.number();
    }
}

}  // namespace com
