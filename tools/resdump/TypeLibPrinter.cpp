#include "TypeLibPrinter.h"

#include "com/ComponentServer.h"

namespace {
using namespace com;

QString version(uint16_t major, uint16_t minor) {
    return QStringLiteral("%1.%2").arg(major).arg(minor);
}

QString flagWords(uint16_t flags, std::initializer_list<std::pair<uint16_t, const char*>> names) {
    QStringList words;
    for (const auto& [bit, name] : names)
        if (flags & bit) words.append(QString::fromLatin1(name));
    return words.isEmpty() ? QStringLiteral("none") : words.join(u' ');
}

QString kindWord(MemberKind kind) {
    switch (kind) {
        case MemberKind::Method:
            return QStringLiteral("method");
        case MemberKind::PropertyGet:
            return QStringLiteral("propget");
        case MemberKind::PropertyPut:
            return QStringLiteral("propput");
    }
    return {};
}

QString param(const TypeLibParam& p) {
    QStringList words;
    if (p.flags & ParamFlags::In) words.append(QStringLiteral("in"));
    if (p.flags & ParamFlags::Out) words.append(QStringLiteral("out"));
    if (p.flags & ParamFlags::RetVal) words.append(QStringLiteral("retval"));
    words.append(dataTypeName(p.type) + (p.byRef() ? QStringLiteral("*") : QString()));
    words.append(p.name);
    return words.join(u' ') + (p.byRef() ? QStringLiteral(" [by ref]") : QString());
}

QString member(const TypeLibMember& m) {
    QStringList params;
    for (const TypeLibParam& p : m.params) params.append(param(p));
    const QString slot =
        m.slot == kNoSlot ? QStringLiteral("   -   ") : QStringLiteral("slot %1").arg(m.slot, 2);
    return QStringLiteral("    %1  %2 dispid %3  %4 %5(%6)")
        .arg(slot, kindWord(m.kind).leftJustified(7))
        .arg(m.dispId, 10)
        .arg(dataTypeName(m.returnType), m.name, params.join(QStringLiteral(", ")));
}
}  // namespace

QStringList printTypeLib(const TypeLibrary& lib) {
    QStringList out;
    out << QStringLiteral("library %1 %2 version %3 locale %4 flags %5")
               .arg(lib.name, lib.id.toString(), version(lib.major, lib.minor))
               .arg(lib.locale)
               .arg(flagWords(lib.flags, {{TypeLibFlags::Restricted, "restricted"},
                                          {TypeLibFlags::Control, "control"},
                                          {TypeLibFlags::Hidden, "hidden"}}));
    out << QStringLiteral("  helpstring \"%1\"").arg(lib.helpString);
    for (const TypeLibImport& i : lib.imports)
        out << QStringLiteral("  import %1 %2 version %3 locale %4")
                   .arg(i.name, i.id.toString(), version(i.major, i.minor))
                   .arg(i.locale);
    for (const TypeLibType& t : lib.types) {
        out << QString();
        // A class's own version is seldom set; its interfaces' are what count.
        const QString v = (t.major || t.minor || t.kind != TypeKind::Class)
                              ? QStringLiteral(" version ") + version(t.major, t.minor)
                              : QString();
        out << QStringLiteral("  %1 %2 %3%4 flags %5")
                   .arg(typeKindName(t.kind), t.name, t.id.toString(), v,
                        flagWords(t.flags, {{TypeFlags::Hidden, "hidden"},
                                            {TypeFlags::Control, "control"},
                                            {TypeFlags::CanCreate, "cancreate"},
                                            {TypeFlags::Dual, "dual"}}));
        if (!t.helpString.isEmpty())
            out << QStringLiteral("    helpstring \"%1\"").arg(t.helpString);
        for (const TypeLibRef& r : t.refs) {
            const QString where = r.import < 0 ? QString() : lib.imports[r.import].name + u'.';
            if (r.flags & RefFlags::Base)
                out << QStringLiteral("    base %1%2 %3").arg(where, r.name, r.id.toString());
            else
                out << QStringLiteral("    implements %1 %2 %3")
                           .arg(r.name, r.id.toString(),
                                flagWords(r.flags, {{RefFlags::Default, "default"},
                                                    {RefFlags::Source, "source"}}));
        }
        for (const TypeLibMember& m : t.members) out << member(m);
    }
    return out;
}
