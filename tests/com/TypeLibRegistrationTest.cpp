// The type library in the slider's file: read without loading the file,
// written back to the same bytes, asked by late binding and by the registry's
// lookup; a file without one neither binds nor registers.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "SliderComponent.h"
#include "com/ClassFactory.h"
#include "com/CreateObject.h"
#include "com/ElfFile.h"
#include "com/TypeLib.h"
#include "com/TypeLibLookup.h"
#include "support/TempConfig.h"

using namespace com;

namespace {
// An instance's late binding, straight from the library's class factory.
HResult idOfName(const QString& library, const QString& name, DispId* id) {
    void* out = nullptr;
    if (hr::failed(load(library).getClassObject(kClsid, IClassFactory::iid, &out))) return hr::Fail;
    auto factory = Ptr<IClassFactory>::adopt(static_cast<IClassFactory*>(out));
    if (hr::failed(factory->CreateInstance(nullptr, IDispatch::iid, &out))) return hr::Fail;
    return Ptr<IDispatch>::adopt(static_cast<IDispatch*>(out))->GetIDOfName(name, id);
}

class TypeLibRegistration : public testing::Test {
protected:
    void TearDown() override { freeUnusedLibraries(); }

    // A copy of the slider library with its type library changed by edit,
    // as a rebuilt file would carry it. The resources keep their size, so
    // the new ones take the place of the old in the file.
    QString copyWith(const std::function<void(Resource& typeLib)>& edit) {
        QByteArray image = fileBytes(kQuilletFile);
        QString error;
        const auto elf = ElfFile::fromImage(image, &error);
        const ElfFile::Section* section = elf ? elf->section(u".rsrc") : nullptr;
        ResourceTable resources = quilletResources();
        for (Resource& r : resources.entries)
            if (r.typeName == u"TYPELIB") edit(r);
        const QByteArray changed = encodeResources(resources);
        if (!section || changed.size() != qsizetype(section->size)) {
            ADD_FAILURE() << "no resource section of the same size " << error.toStdString();
            return {};
        }
        image.replace(qsizetype(section->offset), changed.size(), changed);
        QFile copy(m_dir.filePath(QStringLiteral("libquillet-%1.so").arg(++m_copies)));
        EXPECT_TRUE(copy.open(QIODevice::WriteOnly) && copy.write(image) == image.size());
        return copy.fileName();
    }
    TempConfig config;
    QTemporaryDir m_dir;
    int m_copies = 0;
};
}  // namespace

TEST(BuiltResources, AreReadWithoutLoadingTheFileAndStayOutOfItsMemory) {
    QString error;
    ASSERT_TRUE(readResources(kQuilletFile, &error)) << error.toStdString();
    EXPECT_FALSE(mapped(kQuilletFile)) << "reading resources must not load the file";
    const auto elf = ElfFile::open(kQuilletFile, &error);
    ASSERT_TRUE(elf && elf->section(u".rsrc")) << error.toStdString();
    EXPECT_EQ(elf->section(u".rsrc")->flags & 0x2 /* SHF_ALLOC */, 0u);
}

TEST(TypeLib, WritesBackTheBytesItWasReadFromAndBindsNamesWithinAnInterface) {
    const QByteArray bytes = quilletTypeLibBytes();
    QString error;
    const auto lib = decodeTypeLib(bytes, &error);
    ASSERT_TRUE(lib) << error.toStdString();
    EXPECT_EQ(encodeTypeLib(*lib), bytes);

    EXPECT_EQ(lib->idOfName(kEventsId, u"Change"), 4);
    EXPECT_FALSE(lib->idOfName(kInterfaceId, u"Valu"));
    EXPECT_FALSE(lib->idOfName(kClsid, u"Value")) << "a class has no members of its own";
}

TEST_F(TypeLibRegistration, LateBindingByNameAsksTheCarriedTypeLibrary) {
    DispId id = 0;
    EXPECT_EQ(idOfName(kQuilletFile, QStringLiteral("Value"), &id), hr::Ok);
    EXPECT_EQ(id, kValue);
    EXPECT_EQ(idOfName(kQuilletFile, QStringLiteral("min"), &id), hr::Ok);
    EXPECT_EQ(id, 1745027077);
    EXPECT_EQ(idOfName(kQuilletFile, QStringLiteral("Change"), &id), hr::UnknownName)
        << "an event is not a member of the object's own interface";

    // A file whose type library says otherwise binds as its type library says.
    const QString renumbered = copyWith([](Resource& r) {
        QString error;
        TypeLibrary lib = *decodeTypeLib(r.data, &error);
        for (TypeLibType& t : lib.types)
            for (TypeLibMember& m : t.members)
                if (m.name == u"Value") m.dispId = 42;
        r.data = encodeTypeLib(lib);
    });
    ASSERT_FALSE(renumbered.isEmpty());
    EXPECT_EQ(idOfName(renumbered, QStringLiteral("Value"), &id), hr::Ok);
    EXPECT_EQ(id, 42);
}

TEST_F(TypeLibRegistration, TheRegisteredFileIsWhereTheTypeLibraryIsRead) {
    ASSERT_EQ(load().registerServer(), hr::Ok);
    QString error;
    const auto lib = loadRegisteredTypeLib(kLibId, 2, 0, &error);
    ASSERT_TRUE(lib) << error.toStdString();
    EXPECT_EQ(lib->name, QStringLiteral("工程1"));
    EXPECT_TRUE(lib->find(kInterfaceId));
    EXPECT_FALSE(loadRegisteredTypeLib(kLibId, 1, 0, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("未注册"))) << error.toStdString();

    // A file without its type library neither binds nor registers, and
    // named as the registered file it is the reason the lookup fails.
    const QString bare = copyWith([](Resource& r) { r.id = 2; });
    ASSERT_FALSE(bare.isEmpty());
    DispId id = 0;
    EXPECT_EQ(idOfName(bare, QStringLiteral("Value"), &id), hr::TypeLibUnavailable);
    const QStringList before = registryKeys();
    EXPECT_EQ(load(bare).registerServer(), hr::SelfRegTypeLib);
    EXPECT_TRUE(registry::lastError().contains(QStringLiteral("没有类型库")))
        << registry::lastError().toStdString();
    EXPECT_EQ(registryKeys(), before) << "a failed registration writes nothing";
    registryFile().setValue("TypeLib.4BC231B8-C8F0-11D3-86B8-52544C9974A0/2.0/Path", bare);
    EXPECT_FALSE(loadRegisteredTypeLib(kLibId, 2, 0, &error));
    EXPECT_TRUE(error.contains(bare) && error.contains(QStringLiteral("没有类型库")))
        << error.toStdString();
}
