// The component model against the real slider library: registration in the
// per-user registry, creation by identifier, late-bound property access,
// and unloading once nothing of the library is alive.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>

#include "com/ClassFactory.h"
#include "com/ComponentLibrary.h"
#include "com/ComponentRegistry.h"
#include "com/CreateObject.h"
#include "com/Dispatch.h"
#include "com/SideBySideManifest.h"
#include "hosting/ControlSite.h"
#include "support/TempConfig.h"

using com::Guid;
using com::Variant;

namespace {
const QString kLibrary = QStringLiteral(QUILLET_PATH);
const QString kProgId = QStringLiteral("工程1.NewHscrollbar");
constexpr Guid kClsid = Guid::parse("{4BC2321F-C8F0-11D3-86B8-52544C9974A0}");
constexpr com::DispId kValue = 1745027073;

struct Failure {
    int number = 0;
    QString text;
};

Failure failureOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const errors::RuntimeError& e) {
        return {e.number(), e.description()};
    }
    return {};
}

// Really mapped in this process, not just remembered by the platform.
bool mapped(const QString& path) {
    void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_NOLOAD);
    if (handle) dlclose(handle);
    return handle != nullptr;
}

com::ComponentLibrary& library() {
    QString reason;
    com::ComponentLibrary* lib = com::ComponentLibrary::load(kLibrary, &reason);
    if (!lib) throw std::runtime_error(reason.toStdString());
    return *lib;
}

QStringList registryKeys() {
    QSettings file(com::registry::filePath(), QSettings::IniFormat);
    return file.allKeys();
}

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

class ComponentModel : public testing::Test {
protected:
    void TearDown() override {
        com::freeUnusedLibraries();
        EXPECT_FALSE(mapped(kLibrary)) << "a test left the library loaded";
    }
    TempConfig config;
    QTemporaryDir noManifests;
};
// A manifest in folder naming the slider's class in libquillet.so there.
bool writeManifest(const QString& folder) {
    QFile manifest(folder + QStringLiteral("/quillet.manifest"));
    return manifest.open(QIODevice::WriteOnly) &&
           manifest.write(
               "[NewHscrollbar]\nFile=libquillet.so\n"
               "CLSID={4BC2321F-C8F0-11D3-86B8-52544C9974A0}\n"
               "ProgID=\xe5\xb7\xa5\xe7\xa8\x8b"
               "1.NewHscrollbar\n") > 0;
}
}  // namespace

TEST_F(ComponentModel, RegisteredClassIsCreatedUsedReleasedAndUnloaded) {
    ASSERT_EQ(library().registerServer(), com::hr::Ok);
    EXPECT_EQ(com::registry::classOfProgId(kProgId), kClsid);
    const auto entry = com::registry::findClass(kClsid);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->serverPath, QFileInfo(kLibrary).canonicalFilePath());
    QSettings file(com::registry::filePath(), QSettings::IniFormat);
    EXPECT_EQ(file.value("CLSID.4BC2321F-C8F0-11D3-86B8-52544C9974A0/MiscStatus").toInt(), 131473);
    EXPECT_TRUE(file.value("CLSID.4BC2321F-C8F0-11D3-86B8-52544C9974A0/Control").toBool());
    EXPECT_TRUE(file.value("CLSID.4BC2321F-C8F0-11D3-86B8-52544C9974A0/ToolboxBitmap")
                    .toString()
                    .endsWith(QStringLiteral(",30000")));
    EXPECT_EQ(file.value("TypeLib.4BC231B8-C8F0-11D3-86B8-52544C9974A0/2.0/HelpString").toString(),
              QStringLiteral("工程1"));
    EXPECT_EQ(file.value("TypeLib.4BC231B8-C8F0-11D3-86B8-52544C9974A0/2.0/Flags").toInt(), 2);
    com::freeUnusedLibraries();
    EXPECT_FALSE(mapped(kLibrary));

    {
        // Created from the registry alone: no manifest in reach.
        com::ClassLocation where;
        com::Ptr<com::IUnknown> object = com::createObject(kProgId, noManifests.path(), &where);
        EXPECT_EQ(where.source, com::ClassLocation::Source::Registry);
        EXPECT_EQ(where.clsid, kClsid);
        EXPECT_EQ(where.file, entry->serverPath);
        EXPECT_TRUE(mapped(kLibrary));
        auto dispatch = object.query<com::IDispatch>();
        ASSERT_TRUE(dispatch);
        com::DispId id = 0;
        EXPECT_EQ(dispatch->GetIDOfName(QStringLiteral("Value"), &id), com::hr::Ok);
        EXPECT_EQ(id, kValue);
        object.reset();
        EXPECT_EQ(com::freeUnusedLibraries(), 0) << "the dispatch reference keeps it alive";
        EXPECT_TRUE(mapped(kLibrary));
    }
    EXPECT_EQ(com::freeUnusedLibraries(), 1);
    EXPECT_FALSE(mapped(kLibrary));

    {
        // The player's way: a site on its window, Value put then got.
        QWidget form;
        hosting::ControlSite vsVolume(&form, volumeDesign());
        vsVolume.put(kValue, Variant(int32_t(10000)));
        EXPECT_EQ(vsVolume.get(kValue).type(), com::VarType::Int32);
        EXPECT_EQ(vsVolume.get(kValue).toInt32(), 10000);
        vsVolume.put(kValue, Variant(int32_t(40000)));
        EXPECT_EQ(vsVolume.get(kValue).toInt32(), 32767);
        EXPECT_FALSE(vsVolume.window()->isVisibleTo(&form));
        EXPECT_EQ(vsVolume.window()->geometry(), QRect(96, 24, 121, 16));
        EXPECT_EQ(failureOf([&] { vsVolume.get(12345); }).number, 438);
    }
    // The site released the instance and let the library go.
    EXPECT_FALSE(mapped(kLibrary));
}

TEST_F(ComponentModel, CanUnloadNowCountsInstancesFactoriesAndLocks) {
    void* out = nullptr;
    ASSERT_EQ(library().getClassObject(kClsid, com::IClassFactory::iid, &out), com::hr::Ok);
    auto factory = com::Ptr<com::IClassFactory>::adopt(static_cast<com::IClassFactory*>(out));
    EXPECT_FALSE(library().canUnloadNow());

    ASSERT_EQ(factory->CreateInstance(nullptr, com::IDispatch::iid, &out), com::hr::Ok);
    auto instance = com::Ptr<com::IDispatch>::adopt(static_cast<com::IDispatch*>(out));
    EXPECT_EQ(factory->CreateInstance(instance.get(), com::IUnknown::iid, &out),
              com::hr::NoAggregation);
    factory->LockServer(true);
    factory.reset();
    instance.reset();
    EXPECT_FALSE(library().canUnloadNow()) << "a lock outlives its factory";
    EXPECT_EQ(com::freeUnusedLibraries(), 0);

    ASSERT_EQ(library().getClassObject(kClsid, com::IClassFactory::iid, &out), com::hr::Ok);
    factory = com::Ptr<com::IClassFactory>::adopt(static_cast<com::IClassFactory*>(out));
    factory->LockServer(false);
    factory.reset();
    EXPECT_TRUE(library().canUnloadNow());
    EXPECT_EQ(com::freeUnusedLibraries(), 1);
}

TEST_F(ComponentModel, UnknownClassesAreRefusedByName) {
    const Failure byProgId =
        failureOf([&] { com::createObject(QStringLiteral("工程1.Nothing"), noManifests.path()); });
    EXPECT_EQ(byProgId.number, 429);
    EXPECT_TRUE(byProgId.text.contains(QStringLiteral("工程1.Nothing")))
        << byProgId.text.toStdString();

    // Beside the test program is the slider's manifest; it does not name
    // this class either.
    const QString unknown = QStringLiteral("{00000000-1111-2222-3333-444444444444}");
    const Failure byClsid = failureOf([&] { com::createObject(unknown); });
    EXPECT_EQ(byClsid.number, 429);
    EXPECT_TRUE(byClsid.text.contains(unknown));

    QWidget form;
    hosting::ControlDesign design = volumeDesign();
    design.progId = QStringLiteral("工程2.Missing");
    EXPECT_EQ(failureOf([&] { hosting::ControlSite site(&form, design); }).number, 429);

    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(library().getClassObject(Guid::parse(unknown.toLatin1().constData()),
                                       com::IClassFactory::iid, &out),
              com::hr::ClassNotAvailable);
    EXPECT_EQ(out, nullptr);
}

TEST_F(ComponentModel, UnregisterRemovesExactlyWhatRegisterWrote) {
    {
        // Someone else's entries, and a newer version of the same library.
        QSettings file(com::registry::filePath(), QSettings::IniFormat);
        file.setValue("CLSID.11111111-2222-3333-4444-555555555555/ProgID", "Other.Thing");
        file.setValue("ProgID.Other.Thing/CLSID", "{11111111-2222-3333-4444-555555555555}");
        file.setValue("TypeLib.4BC231B8-C8F0-11D3-86B8-52544C9974A0/3.0/Path", "/elsewhere.so");
    }
    const QStringList before = registryKeys();
    ASSERT_EQ(library().registerServer(), com::hr::Ok);
    EXPECT_GT(registryKeys().size(), before.size() + 10);
    ASSERT_EQ(library().unregisterServer(), com::hr::Ok);
    EXPECT_EQ(registryKeys(), before);
    EXPECT_FALSE(com::registry::classOfProgId(kProgId));
}

TEST_F(ComponentModel, ManifestBesideTheProgramNamesTheLibrary) {
    // The build puts the manifest beside the programs and the library.
    const auto built = com::findInManifests(QCoreApplication::applicationDirPath(), kProgId);
    ASSERT_TRUE(built);
    EXPECT_EQ(built->clsid, kClsid);
    EXPECT_EQ(QFileInfo(built->file).canonicalFilePath(), QFileInfo(kLibrary).canonicalFilePath());

    // An unregistered class found through a manifest in another folder.
    QTemporaryDir folder;
    const QString copy = folder.filePath(QStringLiteral("libquillet.so"));
    ASSERT_TRUE(QFile::copy(kLibrary, copy));
    ASSERT_TRUE(writeManifest(folder.path()));
    {
        com::ClassLocation where;
        com::Ptr<com::IUnknown> object = com::createObject(kProgId, folder.path(), &where);
        EXPECT_EQ(where.source, com::ClassLocation::Source::Manifest);
        EXPECT_EQ(where.file, copy);
        EXPECT_TRUE(object);
        EXPECT_TRUE(mapped(copy));
        EXPECT_FALSE(mapped(kLibrary));
    }
    com::freeUnusedLibraries();
    EXPECT_FALSE(mapped(copy));
}

// What a registry entry can be left pointing at once the build or install
// that registered it is gone, or was replaced.
enum class Stale { Missing, Damaged, WrongClass };

TEST_F(ComponentModel, StaleRegistrationGivesWayToTheManifestBesideTheProgram) {
    for (Stale kind : {Stale::Missing, Stale::Damaged, Stale::WrongClass}) {
        SCOPED_TRACE(int(kind));
        // A build of the slider registered from its own folder.
        QTemporaryDir build;
        const QString built = build.filePath(QStringLiteral("libquillet.so"));
        ASSERT_TRUE(QFile::copy(kLibrary, built));
        {
            QString reason;
            com::ComponentLibrary* copy = com::ComponentLibrary::load(built, &reason);
            ASSERT_TRUE(copy) << reason.toStdString();
            ASSERT_EQ(copy->registerServer(), com::hr::Ok);
        }
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
                QSettings file(com::registry::filePath(), QSettings::IniFormat);
                const QString other = QStringLiteral("{0BADC1A5-0000-0000-0000-000000000001}");
                file.setValue("ProgID.工程1.NewHscrollbar/CLSID", other);
                file.setValue("CLSID.0BADC1A5-0000-0000-0000-000000000001/InprocServer", built);
                break;
            }
        }
        {
            // Beside the test program are the built slider and its manifest.
            com::ClassLocation where;
            com::Ptr<com::IUnknown> object = com::createObject(kProgId, {}, &where);
            ASSERT_TRUE(object.query<com::IDispatch>());
            EXPECT_EQ(where.source, com::ClassLocation::Source::Manifest);
            EXPECT_TRUE(mapped(kLibrary)) << "made from the file the manifest names";
            EXPECT_FALSE(mapped(built));
        }
        com::freeUnusedLibraries();
    }
}

TEST_F(ComponentModel, WhenEveryPlaceFailsEachIsNamedWithWhy) {
    ASSERT_EQ(library().registerServer(), com::hr::Ok);
    com::freeUnusedLibraries();
    QTemporaryDir folder;
    const QString moved = folder.filePath(QStringLiteral("libquillet.so"));
    QSettings file(com::registry::filePath(), QSettings::IniFormat);
    const QString key = QStringLiteral("CLSID.4BC2321F-C8F0-11D3-86B8-52544C9974A0/InprocServer");

    // Registered, but the file is gone, and no manifest anywhere.
    file.setValue(key, moved);
    file.sync();
    const Failure missing = failureOf([&] { com::createObject(kProgId, noManifests.path()); });
    EXPECT_EQ(missing.number, 429);
    for (const QString& named : {kProgId, com::registry::filePath(), moved, noManifests.path()})
        EXPECT_TRUE(missing.text.contains(named))
            << named.toStdString() << " in " << missing.text.toStdString();
    EXPECT_FALSE(missing.text.contains(QStringLiteral("ActiveX")));

    // Cut short in the middle, and a manifest naming the same cut file.
    QFile original(kLibrary);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    QFile truncated(moved);
    ASSERT_TRUE(truncated.open(QIODevice::WriteOnly));
    truncated.write(original.read(original.size() / 3));
    truncated.close();
    ASSERT_TRUE(writeManifest(folder.path()));
    const Failure damaged = failureOf([&] { com::createObject(kProgId, folder.path()); });
    EXPECT_EQ(damaged.number, 429);
    EXPECT_TRUE(damaged.text.contains(com::registry::filePath()));
    EXPECT_TRUE(damaged.text.contains(folder.filePath(QStringLiteral("quillet.manifest"))))
        << damaged.text.toStdString();
    EXPECT_EQ(damaged.text.count(moved), 2) << "both places lead to the damaged file";

    // Loadable, but not a component library.
    QString reason;
    EXPECT_EQ(
        com::ComponentLibrary::load(QStringLiteral("/lib/x86_64-linux-gnu/libz.so.1"), &reason),
        nullptr);
    EXPECT_FALSE(reason.isEmpty());
    library().unregisterServer();
}
