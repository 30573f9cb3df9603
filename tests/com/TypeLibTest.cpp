// The type library and the resources the build puts into the slider's file,
// read back in this process: the file is never loaded to read them, nor are
// they loaded with it, and what is read writes back to the same bytes and
// binds names as late binding needs. What they hold is compared whole by
// resdump_test.sh.
#include <gtest/gtest.h>

#include "SliderComponent.h"
#include "com/ElfFile.h"
#include "com/TypeLib.h"
#include "support/QtPrinters.h"

using namespace com;

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
