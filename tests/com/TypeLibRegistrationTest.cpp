// The type library through the registry: registration writes its entries
// and its interfaces', unregistration removes exactly those, the lookup by
// identifier and version goes through them to the file, and late binding
// by name asks the type library the component carries.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include "BuiltFiles.h"
#include "com/ClassFactory.h"
#include "com/ComponentLibrary.h"
#include "com/ComponentRegistry.h"
#include "com/CreateObject.h"
#include "com/TypeLibLookup.h"
#include "support/TempConfig.h"

using namespace com;

namespace {
constexpr Guid kLibId = Guid::parse("{4BC231B8-C8F0-11D3-86B8-52544C9974A0}");
constexpr Guid kClsid = Guid::parse("{4BC2321F-C8F0-11D3-86B8-52544C9974A0}");
constexpr Guid kInterfaceId = Guid::parse("{4BC2321E-C8F0-11D3-86B8-52544C9974A0}");
constexpr Guid kEventsId = Guid::parse("{4BC23220-C8F0-11D3-86B8-52544C9974A0}");
const QString kLib = QStringLiteral("TypeLib.4BC231B8-C8F0-11D3-86B8-52544C9974A0/2.0/");
const QString kIface = QStringLiteral("Interface.4BC2321E-C8F0-11D3-86B8-52544C9974A0/");
const QString kEvents = QStringLiteral("Interface.4BC23220-C8F0-11D3-86B8-52544C9974A0/");

ComponentLibrary& load(const QString& path) {
    QString reason;
    ComponentLibrary* lib = ComponentLibrary::load(path, &reason);
    if (!lib) throw std::runtime_error(reason.toStdString());
    return *lib;
}

QStringList registryKeys() {
    return QSettings(registry::filePath(), QSettings::IniFormat).allKeys();
}

// An instance's late binding, straight from the library's class factory.
HResult idOfName(const QString& library, const QString& name, DispId* id) {
    void* out = nullptr;
    if (hr::failed(load(library).getClassObject(kClsid, IClassFactory::iid, &out))) return hr::Fail;
    auto factory = Ptr<IClassFactory>::adopt(static_cast<IClassFactory*>(out));
    if (hr::failed(factory->CreateInstance(nullptr, IDispatch::iid, &out))) return hr::Fail;
    auto object = Ptr<IDispatch>::adopt(static_cast<IDispatch*>(out));
    return object->GetIDOfName(name, id);
}

class TypeLibRegistration : public testing::Test {
protected:
    void TearDown() override { freeUnusedLibraries(); }

    // A copy of the slider library whose resource section is replaced by
    // section (or removed when it is empty), as a rebuilt file would be.
    QString copyWithResources(const QByteArray& section) {
        const QString copy = m_dir.filePath(QStringLiteral("libquillet-%1.so").arg(++m_copies));
        const QString bytes = m_dir.filePath(QStringLiteral("section.bin"));
        QFile out(bytes);
        if (!out.open(QIODevice::WriteOnly) || out.write(section) != section.size()) return {};
        out.close();
        QStringList args;
        if (section.isEmpty())
            args << "--remove-section"
                 << ".rsrc";
        else
            args << "--update-section"
                 << ".rsrc=" + bytes;
        args << kQuilletFile << copy;
        QProcess objcopy;
        objcopy.start(QStringLiteral(OBJCOPY_PATH), args);
        if (!objcopy.waitForFinished(30000) || objcopy.exitCode() != 0) {
            ADD_FAILURE() << objcopy.readAllStandardError().toStdString();
            return {};
        }
        return copy;
    }

    TempConfig config;
    QTemporaryDir m_dir;
    int m_copies = 0;
};
}  // namespace

TEST_F(TypeLibRegistration, RegistrationWritesTypeLibraryAndInterfaceEntries) {
    ASSERT_EQ(load(kQuilletFile).registerServer(), hr::Ok);
    const QString path = QFileInfo(kQuilletFile).canonicalFilePath();
    QSettings file(registry::filePath(), QSettings::IniFormat);
    EXPECT_EQ(file.value(kLib + "Name").toString(), QStringLiteral("工程1"));
    EXPECT_EQ(file.value(kLib + "HelpString").toString(), QStringLiteral("工程1"));
    EXPECT_EQ(file.value(kLib + "Locale").toInt(), 0);
    EXPECT_EQ(file.value(kLib + "Flags").toInt(), 2);
    EXPECT_EQ(file.value(kLib + "Path").toString(), path);

    EXPECT_EQ(file.value(kIface + "Name").toString(), QStringLiteral("_NewHscrollbar"));
    EXPECT_EQ(file.value(kIface + "TypeLib").toString(), kLibId.toString());
    EXPECT_EQ(file.value(kIface + "Version").toString(), QStringLiteral("2.0"));
    EXPECT_EQ(file.value(kIface + "Proxy").toString(), QStringLiteral("TypeLibrary"));
    EXPECT_EQ(file.value(kEvents + "Name").toString(), QStringLiteral("__NewHscrollbar"));
    EXPECT_EQ(file.value(kEvents + "Proxy").toString(), QStringLiteral("Dispatch"));
    const auto events = registry::findInterface(kEventsId);
    ASSERT_TRUE(events);
    EXPECT_EQ(events->typeLib, kLibId);
    EXPECT_FALSE(registry::findInterface(kClsid)) << "a class is no interface";

    // The lookup by identifier and version goes through those entries.
    QString error;
    const auto lib = loadRegisteredTypeLib(kLibId, 2, 0, &error);
    ASSERT_TRUE(lib) << error.toStdString();
    EXPECT_EQ(lib->name, QStringLiteral("工程1"));
    EXPECT_TRUE(lib->find(kInterfaceId));
    EXPECT_FALSE(loadRegisteredTypeLib(kLibId, 1, 0, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("未注册"))) << error.toStdString();
    load(kQuilletFile).unregisterServer();
}

TEST_F(TypeLibRegistration, UnregistrationRemovesExactlyWhatItWrote) {
    {
        // Another library's interface, and one of ours taken over since by
        // another type library: neither is ours to remove.
        QSettings file(registry::filePath(), QSettings::IniFormat);
        file.setValue("Interface.11111111-2222-3333-4444-555555555555/Name", "IOther");
        file.setValue("Interface.11111111-2222-3333-4444-555555555555/TypeLib",
                      "{11111111-2222-3333-4444-000000000000}");
        file.setValue("Interface.11111111-2222-3333-4444-555555555555/Version", "2.0");
    }
    const QStringList before = registryKeys();
    ASSERT_EQ(load(kQuilletFile).registerServer(), hr::Ok);
    EXPECT_TRUE(registryKeys().contains(kIface + "Name"));
    {
        QSettings file(registry::filePath(), QSettings::IniFormat);
        file.setValue(kEvents + "TypeLib", "{11111111-2222-3333-4444-000000000000}");
    }
    ASSERT_EQ(load(kQuilletFile).unregisterServer(), hr::Ok);
    QStringList expected = before;
    for (const char* key : {"Name", "TypeLib", "Version", "Proxy"}) expected << kEvents + key;
    expected.sort();
    QStringList after = registryKeys();
    after.sort();
    EXPECT_EQ(after, expected);
}

TEST_F(TypeLibRegistration, LateBindingByNameAsksTheCarriedTypeLibrary) {
    DispId id = 0;
    EXPECT_EQ(idOfName(kQuilletFile, QStringLiteral("Value"), &id), hr::Ok);
    EXPECT_EQ(id, 1745027073);
    EXPECT_EQ(idOfName(kQuilletFile, QStringLiteral("min"), &id), hr::Ok);
    EXPECT_EQ(id, 1745027077);
    EXPECT_EQ(idOfName(kQuilletFile, QStringLiteral("Change"), &id), hr::UnknownName)
        << "an event is not a member of the object's own interface";

    // A file whose type library says otherwise binds as its type library says.
    QString error;
    ResourceTable resources = quilletResources();
    TypeLibrary lib = *decodeTypeLib(resources.find(u"TYPELIB", 1)->data, &error);
    for (TypeLibType& t : lib.types)
        for (TypeLibMember& m : t.members)
            if (m.name == u"Value") m.dispId = 42;
    for (Resource& r : resources.entries)
        if (r.typeName == u"TYPELIB") r.data = encodeTypeLib(lib);
    const QString renumbered = copyWithResources(encodeResources(resources));
    ASSERT_FALSE(renumbered.isEmpty());
    EXPECT_EQ(idOfName(renumbered, QStringLiteral("Value"), &id), hr::Ok);
    EXPECT_EQ(id, 42);
}

TEST_F(TypeLibRegistration, FileWithoutItsTypeLibraryNeitherBindsNorRegisters) {
    const QString bare = copyWithResources({});
    ASSERT_FALSE(bare.isEmpty());
    DispId id = 0;
    EXPECT_EQ(idOfName(bare, QStringLiteral("Value"), &id), hr::TypeLibUnavailable);

    const QStringList before = registryKeys();
    EXPECT_EQ(load(bare).registerServer(), hr::SelfRegTypeLib);
    EXPECT_TRUE(registry::lastError().contains(QStringLiteral("没有类型库")))
        << registry::lastError().toStdString();
    EXPECT_EQ(registryKeys(), before) << "a failed registration writes nothing";

    // Registered, then the file at the registered path loses its type library.
    ASSERT_EQ(load(kQuilletFile).registerServer(), hr::Ok);
    QSettings(registry::filePath(), QSettings::IniFormat).setValue(kLib + "Path", bare);
    QString error;
    EXPECT_FALSE(loadRegisteredTypeLib(kLibId, 2, 0, &error));
    EXPECT_TRUE(error.contains(bare) && error.contains(QStringLiteral("没有类型库")))
        << error.toStdString();
    load(kQuilletFile).unregisterServer();
}
