// The type library the build compiles from the slider's description and
// carries in the library: everything a host binds to reads back.
#include <gtest/gtest.h>

#include <QHash>

#include "BuiltFiles.h"
#include "com/ComponentServer.h"
#include "com/TypeLib.h"
#include "support/QtPrinters.h"

using namespace com;

namespace {
constexpr Guid kLibId = Guid::parse("{4BC231B8-C8F0-11D3-86B8-52544C9974A0}");
constexpr Guid kClassId = Guid::parse("{4BC2321F-C8F0-11D3-86B8-52544C9974A0}");
constexpr Guid kInterfaceId = Guid::parse("{4BC2321E-C8F0-11D3-86B8-52544C9974A0}");
constexpr Guid kEventsId = Guid::parse("{4BC23220-C8F0-11D3-86B8-52544C9974A0}");
constexpr Guid kDispatchId = Guid::parse("{00020400-0000-0000-C000-000000000046}");

TypeLibrary builtTypeLib() {
    QString error;
    const QByteArray bytes = quilletTypeLibBytes();
    auto lib = decodeTypeLib(bytes, &error);
    if (!lib)
        ADD_FAILURE() << "TYPELIB 1 of " << kQuilletFile.toStdString() << ": "
                      << error.toStdString();
    return lib.value_or(TypeLibrary{});
}

// "propget Min" and the like, to compare the slot order in one line.
QStringList accessors(const TypeLibType& type) {
    QStringList out;
    for (const TypeLibMember& m : type.members)
        out << (m.kind == MemberKind::PropertyGet ? QStringLiteral("get ")
                                                  : QStringLiteral("put ")) +
                   m.name;
    return out;
}
}  // namespace

TEST(TypeLib, LibraryIdentityAndImport) {
    const TypeLibrary lib = builtTypeLib();
    EXPECT_EQ(lib.id, kLibId);
    EXPECT_EQ(lib.name, QStringLiteral("工程1"));
    EXPECT_EQ(lib.helpString, QStringLiteral("工程1"));
    EXPECT_EQ(lib.major, 2);
    EXPECT_EQ(lib.minor, 0);
    EXPECT_EQ(lib.locale, 0u);
    EXPECT_EQ(lib.flags, TypeLibFlags::Control);
    ASSERT_EQ(lib.imports.size(), 1);
    EXPECT_EQ(lib.imports[0].name, QStringLiteral("stdole"));
    EXPECT_EQ(lib.imports[0].id, Guid::parse("{00020430-0000-0000-C000-000000000046}"));
    EXPECT_EQ(lib.types.size(), 3);
}

TEST(TypeLib, ClassNamesItsDefaultAndEventInterfaces) {
    const TypeLibrary lib = builtTypeLib();
    const TypeLibType* cls = lib.find(kClassId);
    ASSERT_TRUE(cls);
    EXPECT_EQ(cls->name, QStringLiteral("NewHscrollbar"));
    EXPECT_EQ(cls->kind, TypeKind::Class);
    EXPECT_TRUE(cls->flags & TypeFlags::Control);
    EXPECT_TRUE(cls->members.isEmpty());
    ASSERT_EQ(cls->refs.size(), 2);
    EXPECT_EQ(cls->refs[0],
              (TypeLibRef{kInterfaceId, QStringLiteral("_NewHscrollbar"), -1, RefFlags::Default}));
    EXPECT_EQ(cls->refs[1], (TypeLibRef{kEventsId, QStringLiteral("__NewHscrollbar"), -1,
                                        RefFlags::Default | RefFlags::Source}));
}

TEST(TypeLib, DualInterfaceHoldsTheAccessorsInSlotOrder) {
    const TypeLibrary lib = builtTypeLib();
    const TypeLibType* iface = lib.find(kInterfaceId);
    ASSERT_TRUE(iface);
    EXPECT_EQ(iface->name, QStringLiteral("_NewHscrollbar"));
    EXPECT_EQ(iface->kind, TypeKind::Interface);
    EXPECT_EQ(iface->flags, TypeFlags::Dual | TypeFlags::Hidden);
    EXPECT_EQ(iface->major, 1);
    EXPECT_EQ(iface->minor, 0);
    ASSERT_EQ(iface->refs.size(), 1);
    EXPECT_EQ(iface->refs[0],
              (TypeLibRef{kDispatchId, QStringLiteral("IDispatch"), 0, RefFlags::Base}));

    EXPECT_EQ(accessors(*iface),
              QStringList({"get Min", "put Min", "get Max", "put Max", "get LargeChange",
                           "put LargeChange", "get SmallChange", "put SmallChange", "get Value",
                           "put Value", "put Enabled", "get Enabled"}));
    const QHash<QString, DispId> ids{{"Enabled", 1745027072},     {"Value", 1745027073},
                                     {"SmallChange", 1745027074}, {"LargeChange", 1745027075},
                                     {"Max", 1745027076},         {"Min", 1745027077}};
    for (qsizetype slot = 0; slot < iface->members.size(); ++slot) {
        const TypeLibMember& m = iface->members[slot];
        SCOPED_TRACE(m.name.toStdString());
        EXPECT_EQ(m.slot, slot);
        EXPECT_EQ(m.dispId, ids.value(m.name));
        EXPECT_EQ(m.returnType, DataType::HResult);
        ASSERT_EQ(m.params.size(), 1);
        const TypeLibParam& p = m.params[0];
        EXPECT_EQ(p.name, m.name);
        EXPECT_EQ(p.type, m.name == u"Enabled" ? DataType::Bool : DataType::Int32);
        // A getter hands the value back through a pointer; a setter takes it.
        if (m.kind == MemberKind::PropertyGet)
            EXPECT_EQ(p.flags, ParamFlags::Out | ParamFlags::RetVal | ParamFlags::ByRef);
        else
            EXPECT_EQ(p.flags, ParamFlags::In);
    }
}

TEST(TypeLib, EventInterfaceIsDispatchOnlyWithByReferenceKeys) {
    const TypeLibrary lib = builtTypeLib();
    const TypeLibType* events = lib.find(kEventsId);
    ASSERT_TRUE(events);
    EXPECT_EQ(events->name, QStringLiteral("__NewHscrollbar"));
    EXPECT_EQ(events->kind, TypeKind::DispatchInterface);
    EXPECT_EQ(events->flags, TypeFlags::Hidden);
    EXPECT_EQ(events->major, 1);
    EXPECT_EQ(events->minor, 0);
    ASSERT_EQ(events->refs.size(), 1);
    EXPECT_EQ(events->refs[0].id, kDispatchId);

    const TypeLibParam keyCode{"KeyCode", DataType::Int16, ParamFlags::In | ParamFlags::ByRef};
    const TypeLibParam shift{"Shift", DataType::Int16, ParamFlags::In | ParamFlags::ByRef};
    const TypeLibParam keyAscii{"KeyAscii", DataType::Int16, ParamFlags::In | ParamFlags::ByRef};
    const auto method = [](const char* name, DispId id, QList<TypeLibParam> params) {
        return TypeLibMember{name, id, MemberKind::Method, kNoSlot, DataType::Void, params};
    };
    EXPECT_EQ(
        events->members,
        (QList<TypeLibMember>{
            method("KeyDown", 1, {keyCode, shift}), method("KeyUp", 2, {keyCode, shift}),
            method("KeyPress", 3, {keyAscii}), method("Change", 4, {}), method("Scroll", 5, {})}));
}

TEST(TypeLib, EncodingWhatWasReadGivesTheSameBytes) {
    const QByteArray bytes = quilletTypeLibBytes();
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_EQ(encodeTypeLib(builtTypeLib()), bytes);
}

TEST(TypeLib, NamesBindIgnoringCaseOnlyWithinTheirInterface) {
    const TypeLibrary lib = builtTypeLib();
    EXPECT_EQ(lib.idOfName(kInterfaceId, u"Value"), 1745027073);
    EXPECT_EQ(lib.idOfName(kInterfaceId, u"sMALLcHANGE"), 1745027074);
    EXPECT_EQ(lib.idOfName(kEventsId, u"Change"), 4);
    EXPECT_FALSE(lib.idOfName(kInterfaceId, u"Change"));
    EXPECT_FALSE(lib.idOfName(kInterfaceId, u"Valu"));
    EXPECT_FALSE(lib.idOfName(kClassId, u"Value")) << "a class has no members of its own";
}
