#include "hosting/PropertyBag.h"

namespace hosting {

namespace {
// The bag outlives the control that wrote it, and maybe the library the
// control came from: keep text of our own, not a string pointing into it.
QString ownCopy(const QString& text) { return QString(text.constData(), text.size()); }

com::Variant ownCopy(const com::Variant& value) {
    return value.type() == com::VarType::String ? com::Variant(ownCopy(value.toString())) : value;
}

bool sameValue(const com::Variant& a, const com::Variant& b) {
    if (a.type() == b.type()) return a == b;
    if (a.type() == com::VarType::String || b.type() == com::VarType::String || a.isEmpty() ||
        b.isEmpty())
        return false;
    return a.toDouble() == b.toDouble();
}
}  // namespace

PropertyBag PropertyBag::withExtent(float width, float height) {
    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("_ExtentX"), com::Variant(width));
    bag.WriteProperty(QStringLiteral("_ExtentY"), com::Variant(height));
    return bag;
}

com::Variant PropertyBag::ReadProperty(const QString& name,
                                       const com::Variant& defaultValue) const {
    for (const Entry& e : m_entries)
        if (e.name == name) return e.value;
    return defaultValue;
}

void PropertyBag::WriteProperty(const QString& name, const com::Variant& value,
                                const com::Variant& defaultValue) {
    const auto at = std::find_if(m_entries.begin(), m_entries.end(),
                                 [&](const Entry& e) { return e.name == name; });
    if (!defaultValue.isEmpty() && sameValue(value, defaultValue)) {
        if (at != m_entries.end()) m_entries.erase(at);
        return;
    }
    if (at != m_entries.end())
        at->value = ownCopy(value);
    else
        m_entries.append({ownCopy(name), ownCopy(value)});
}

bool PropertyBag::contains(const QString& name) const {
    return std::any_of(m_entries.cbegin(), m_entries.cend(),
                       [&](const Entry& e) { return e.name == name; });
}

QStringList PropertyBag::names() const {
    QStringList out;
    for (const Entry& e : m_entries) out << e.name;
    return out;
}

}  // namespace hosting
