// The component model against the real slider library: registration in the
// per-user registry, creation by identifier, late-bound property access,
// and unloading once nothing of the library is alive.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QWidget>

#include "SliderComponent.h"
#include "com/ClassFactory.h"
#include "com/CreateObject.h"
#include "com/Dispatch.h"
#include "hosting/ControlSite.h"
#include "support/TempConfig.h"

using com::Variant;

namespace {
hosting::ControlDesign volumeDesign() {
    return {.name = QStringLiteral("vsVolume"),
            .progId = kProgId,
            .left = 1440,
            .top = 360,
            .width = 1815,
            .height = 240,
            .visible = false,
            .bag = hosting::PropertyBag::withExtent(1815, 240)};
}

// Everything in the registry, "key=value" a line, the slider's path as PATH.
QStringList registryEntries() {
    const QSettings file = registryFile();
    const QString path = QFileInfo(kQuilletFile).canonicalFilePath();
    QStringList out;
    for (const QString& key : registryKeys())
        out << key + u'=' + file.value(key).toString().replace(path, QStringLiteral("PATH"));
    out.sort();
    return out;
}
const QString kOtherLib = QStringLiteral("{11111111-2222-3333-4444-000000000000}");

class ComponentModel : public testing::Test {
protected:
    void TearDown() override {
        com::freeUnusedLibraries();
        EXPECT_FALSE(mapped(kQuilletFile)) << "a test left the library loaded";
    }
    TempConfig config;
    QTemporaryDir noManifests;
};
}  // namespace

TEST_F(ComponentModel, RegistrationWritesItsEntriesAndUnregistrationRemovesExactlyThose) {
    {
        // Someone else's class and interface, and a newer version of the
        // same type library.
        QSettings file = registryFile();
        file.setValue("CLSID.11111111-2222-3333-4444-555555555555/ProgID", "Other.Thing");
        file.setValue("ProgID.Other.Thing/CLSID", "{11111111-2222-3333-4444-555555555555}");
        file.setValue("TypeLib.4BC231B8-C8F0-11D3-86B8-52544C9974A0/3.0/Path", "/elsewhere.so");
        file.setValue("Interface.11111111-2222-3333-4444-555555555555/TypeLib", kOtherLib);
        file.setValue("Interface.11111111-2222-3333-4444-555555555555/Version", "2.0");
    }
    const QStringList others = registryEntries();
    ASSERT_EQ(load().registerServer(), com::hr::Ok);
    const QString cls = QStringLiteral("CLSID.4BC2321F-C8F0-11D3-86B8-52544C9974A0/"),
                  lib = QStringLiteral("TypeLib.4BC231B8-C8F0-11D3-86B8-52544C9974A0/2.0/"),
                  iface = QStringLiteral("Interface.4BC2321E-C8F0-11D3-86B8-52544C9974A0/"),
                  events = QStringLiteral("Interface.4BC23220-C8F0-11D3-86B8-52544C9974A0/"),
                  libId = kLibId.toString();
    QStringList eventEntries{events + "Name=__NewHscrollbar", events + "Proxy=Dispatch",
                             events + "TypeLib=" + libId, events + "Version=2.0"};
    QStringList written = others + eventEntries;
    written << cls + "Class=NewHscrollbar" << cls + "Control=true" << cls + "InprocServer=PATH"
            << cls + "MiscStatus=131473" << cls + "ProgID=" + kProgId
            << cls + "ToolboxBitmap=PATH,30000" << cls + "TypeLib=" + libId << cls + "Version=2.0"
            << "ProgID." + kProgId + "/CLSID=" + kClsid.toString() << lib + "Flags=2"
            << lib + "HelpString=工程1" << lib + "Locale=0" << lib + "Name=工程1"
            << lib + "Path=PATH" << iface + "Name=_NewHscrollbar" << iface + "Proxy=TypeLibrary"
            << iface + "TypeLib=" + libId << iface + "Version=2.0";
    written.sort();
    EXPECT_EQ(registryEntries(), written);
    EXPECT_EQ(com::registry::findInterface(kEventsId)->typeLib, kLibId);
    EXPECT_FALSE(com::registry::findInterface(kClsid)) << "a class is no interface";

    // One of ours, taken over since by another type library, is no longer
    // ours to remove.
    registryFile().setValue(events + "TypeLib", kOtherLib);
    ASSERT_EQ(load().unregisterServer(), com::hr::Ok);
    eventEntries[2] = events + "TypeLib=" + kOtherLib;
    QStringList left = others + eventEntries;
    left.sort();
    EXPECT_EQ(registryEntries(), left);
}

TEST_F(ComponentModel, RegisteredClassIsCreatedUsedReleasedAndUnloaded) {
    ASSERT_EQ(load().registerServer(), com::hr::Ok);
    com::freeUnusedLibraries();
    EXPECT_FALSE(mapped(kQuilletFile));
    {
        // Created from the registry alone: no manifest in reach.
        com::Ptr<com::IUnknown> object = com::createObject(kProgId, noManifests.path());
        EXPECT_TRUE(mapped(kQuilletFile));
        auto dispatch = object.query<com::IDispatch>();
        ASSERT_TRUE(dispatch);
        object.reset();
        EXPECT_EQ(com::freeUnusedLibraries(), 0) << "the dispatch reference keeps it alive";
        EXPECT_TRUE(mapped(kQuilletFile));
    }
    EXPECT_EQ(com::freeUnusedLibraries(), 1);
    EXPECT_FALSE(mapped(kQuilletFile));

    {
        // The player's way: a site on its window, Value put then got.
        QWidget form;
        hosting::ControlSite vsVolume(&form, volumeDesign());
        vsVolume.put(kValue, Variant(int32_t(10000)));
        EXPECT_EQ(vsVolume.get(kValue).type(), com::VarType::Int32);
        EXPECT_EQ(vsVolume.get(kValue).toInt32(), 10000);
        EXPECT_FALSE(vsVolume.window()->isVisibleTo(&form));
        EXPECT_EQ(vsVolume.window()->geometry(), QRect(96, 24, 121, 16));
    }
    EXPECT_FALSE(mapped(kQuilletFile)) << "the site released the instance and the library";
}

TEST_F(ComponentModel, CanUnloadNowCountsInstancesFactoriesAndLocks) {
    void* out = nullptr;
    ASSERT_EQ(load().getClassObject(kClsid, com::IClassFactory::iid, &out), com::hr::Ok);
    auto factory = com::Ptr<com::IClassFactory>::adopt(static_cast<com::IClassFactory*>(out));
    EXPECT_FALSE(load().canUnloadNow());

    ASSERT_EQ(factory->CreateInstance(nullptr, com::IDispatch::iid, &out), com::hr::Ok);
    auto instance = com::Ptr<com::IDispatch>::adopt(static_cast<com::IDispatch*>(out));
    EXPECT_EQ(factory->CreateInstance(instance.get(), com::IUnknown::iid, &out),
              com::hr::NoAggregation);
    factory->LockServer(true);
    factory.reset();
    instance.reset();
    EXPECT_FALSE(load().canUnloadNow()) << "a lock outlives its factory";
    EXPECT_EQ(com::freeUnusedLibraries(), 0);

    ASSERT_EQ(load().getClassObject(kClsid, com::IClassFactory::iid, &out), com::hr::Ok);
    factory = com::Ptr<com::IClassFactory>::adopt(static_cast<com::IClassFactory*>(out));
    factory->LockServer(false);
    factory.reset();
    EXPECT_TRUE(load().canUnloadNow());
    EXPECT_EQ(com::freeUnusedLibraries(), 1);
}

TEST_F(ComponentModel, UnknownClassesAndForeignLibrariesAreRefused) {
    QWidget form;
    hosting::ControlDesign design = volumeDesign();
    design.progId = QStringLiteral("工程2.Missing");
    EXPECT_EQ(failureOf([&] { hosting::ControlSite site(&form, design); }).number, 429);

    void* out = reinterpret_cast<void*>(1);
    const com::Guid unknown = com::Guid::parse("{00000000-1111-2222-3333-444444444444}");
    EXPECT_EQ(load().getClassObject(unknown, com::IClassFactory::iid, &out),
              com::hr::ClassNotAvailable);
    EXPECT_EQ(out, nullptr);

    // Loadable, but not a component library.
    QString reason;
    EXPECT_EQ(
        com::ComponentLibrary::load(QStringLiteral("/lib/x86_64-linux-gnu/libz.so.1"), &reason),
        nullptr);
    EXPECT_FALSE(reason.isEmpty());
}

// What a registry entry can be left pointing at once the build or install
// that registered it is gone, or was replaced.
enum class Stale { Missing, Damaged, WrongClass };

TEST_F(ComponentModel, AStaleRegistrationGivesWayToAManifestOrIsNamedWithWhy) {
    for (Stale kind : {Stale::Missing, Stale::Damaged, Stale::WrongClass}) {
        SCOPED_TRACE(int(kind));
        // A build of the slider registered from its own folder.
        QTemporaryDir build;
        const QString built = build.filePath(QStringLiteral("libquillet.so"));
        ASSERT_TRUE(QFile::copy(kQuilletFile, built));
        ASSERT_EQ(load(built).registerServer(), com::hr::Ok);
        com::freeUnusedLibraries();
        ASSERT_FALSE(mapped(built));
        switch (kind) {
            case Stale::Missing:
                ASSERT_TRUE(QFile::remove(built));
                break;
            case Stale::Damaged:
                ASSERT_TRUE(QFile::resize(built, QFileInfo(built).size() / 3));
                break;
            case Stale::WrongClass: {
                // The identifier now leads to a class that file does not serve.
                QSettings file = registryFile();
                file.setValue("ProgID.工程1.NewHscrollbar/CLSID",
                              "{0BADC1A5-0000-0000-0000-000000000001}");
                file.setValue("CLSID.0BADC1A5-0000-0000-0000-000000000001/InprocServer", built);
                break;
            }
        }
        // With no manifest in reach, each place tried is named with why.
        const Failure nowhere = failureOf([&] { com::createObject(kProgId, noManifests.path()); });
        EXPECT_EQ(nowhere.number, 429);
        for (const QString& named : {kProgId, com::registry::filePath(), built, noManifests.path()})
            EXPECT_TRUE(nowhere.text.contains(named))
                << named.toStdString() << " in " << nowhere.text.toStdString();
        EXPECT_FALSE(nowhere.text.contains(QStringLiteral("ActiveX")));
        // A manifest beside the build names the same file.
        const QString manifest = build.filePath(QStringLiteral("quillet.manifest"));
        ASSERT_TRUE(
            QFile::copy(QCoreApplication::applicationDirPath() + "/quillet.manifest", manifest));
        if (kind == Stale::WrongClass) {
            // The file serves the class the manifest names.
            com::ClassLocation where;
            EXPECT_TRUE(com::createObject(kProgId, build.path(), &where));
            EXPECT_EQ(where.source, com::ClassLocation::Source::Manifest);
            EXPECT_EQ(where.file, built);
            EXPECT_TRUE(mapped(built));
            EXPECT_FALSE(mapped(kQuilletFile));
            com::freeUnusedLibraries();
            EXPECT_FALSE(mapped(built));
        } else {
            const Failure both = failureOf([&] { com::createObject(kProgId, build.path()); });
            EXPECT_EQ(both.number, 429);
            EXPECT_TRUE(both.text.contains(manifest)) << both.text.toStdString();
            EXPECT_EQ(both.text.count(built), 2) << both.text.toStdString();
        }
    }
}
