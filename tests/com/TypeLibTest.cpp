// The type library the build compiles from the slider's description and
// carries in the library: read back from the built file and put in the
// description's own words, it says what the description says.
#include <gtest/gtest.h>

#include "BuiltFiles.h"
#include "com/ComponentServer.h"
#include "com/TypeLib.h"
#include "support/QtPrinters.h"

using namespace com;

namespace {
TypeLibrary builtTypeLib() {
    QString error;
    auto lib = decodeTypeLib(quilletTypeLibBytes(), &error);
    if (!lib) ADD_FAILURE() << "TYPELIB 1 of the slider: " << error.toStdString();
    return lib.value_or(TypeLibrary{});
}

// The names of the flags set, each after a space.
QString words(uint16_t flags, std::initializer_list<std::pair<uint16_t, const char*>> names) {
    QString out;
    for (const auto& [bit, name] : names)
        if (flags & bit) out += u' ' + QString::fromLatin1(name);
    return out;
}

QString version(uint16_t major, uint16_t minor) {
    return QStringLiteral(" version %1.%2").arg(major).arg(minor);
}

QString member(const TypeLibMember& m) {
    static const char* const kinds[] = {"", "method", "propget", "", "propput"};
    QStringList params;
    for (const TypeLibParam& p : m.params)
        params << QStringLiteral("%1 %2%3 %4")
                      .arg(words(p.flags, {{ParamFlags::In, "in"},
                                           {ParamFlags::Out, "out"},
                                           {ParamFlags::RetVal, "retval"}})
                               .mid(1),
                           dataTypeName(p.type), p.byRef() ? QStringLiteral("*") : QString(),
                           p.name);
    return QStringLiteral("%1 %2 %3 %4(%5)")
        .arg(QString::fromLatin1(kinds[int(m.kind)]), QString::number(m.dispId),
             dataTypeName(m.returnType), m.name, params.join(QStringLiteral(", ")));
}

// The library as its description states it, statement by statement.
QStringList described(const TypeLibrary& lib) {
    QStringList out{QStringLiteral("library %1 %2").arg(lib.name, lib.id.toString()) +
                        version(lib.major, lib.minor) +
                        QStringLiteral(" locale %1").arg(lib.locale) +
                        words(lib.flags, {{TypeLibFlags::Control, "control"}}),
                    QStringLiteral("helpstring \"%1\"").arg(lib.helpString)};
    for (const TypeLibImport& i : lib.imports)
        out << QStringLiteral("import %1 %2").arg(i.name, i.id.toString()) +
                   version(i.major, i.minor);
    for (const TypeLibType& t : lib.types) {
        out << typeKindName(t.kind) + u' ' + t.name + u' ' + t.id.toString() +
                   (t.kind == TypeKind::Class ? QString() : version(t.major, t.minor)) +
                   words(t.flags, {{TypeFlags::Dual, "dual"},
                                   {TypeFlags::Hidden, "hidden"},
                                   {TypeFlags::Control, "control"},
                                   {TypeFlags::CanCreate, "cancreate"}});
        for (const TypeLibRef& r : t.refs)
            out << ((r.flags & RefFlags::Base)
                        ? QStringLiteral("base %1.%2 %3")
                              .arg(lib.imports.value(r.import).name, r.name, r.id.toString())
                        : QStringLiteral("implements ") + r.name +
                              words(r.flags, {{RefFlags::Default, "default"},
                                              {RefFlags::Source, "source"}}));
        for (qsizetype slot = 0; slot < t.members.size(); ++slot) {
            // Callers through the accessor table bound to the order of the
            // statements; a dispatch-only interface has no table.
            EXPECT_EQ(t.members[slot].slot, t.kind == TypeKind::Interface ? slot : kNoSlot);
            out << member(t.members[slot]);
        }
        out << QStringLiteral("end");
    }
    return out;
}
}  // namespace

TEST(TypeLib, ReadsBackAsItsDescriptionSays) {
    EXPECT_EQ(described(builtTypeLib()), descriptionLines(QStringLiteral("slider/quillet.idl")));
}

TEST(TypeLib, EncodingWhatWasReadGivesTheSameBytes) {
    const QByteArray bytes = quilletTypeLibBytes();
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_EQ(encodeTypeLib(builtTypeLib()), bytes);
}

TEST(TypeLib, NamesBindIgnoringCaseOnlyWithinTheirInterface) {
    const TypeLibrary lib = builtTypeLib();
    const TypeLibType* iface = lib.findByName(u"_NewHscrollbar");
    const TypeLibType* events = lib.findByName(u"__NewHscrollbar");
    const TypeLibType* cls = lib.findByName(u"NewHscrollbar");
    ASSERT_TRUE(iface && events && cls);
    EXPECT_EQ(lib.idOfName(iface->id, u"sMALLcHANGE"), 1745027074);
    EXPECT_EQ(lib.idOfName(events->id, u"Change"), 4);
    EXPECT_FALSE(lib.idOfName(iface->id, u"Valu"));
    EXPECT_FALSE(lib.idOfName(cls->id, u"Value")) << "a class has no members of its own";
}
