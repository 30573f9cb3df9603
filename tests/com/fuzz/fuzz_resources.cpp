// Any bytes as an ELF file: find its resource section, read the resources
// and each one's contents (type library, version record, picture,
// identifier), and its exported symbols. The first byte chooses whether the
// rest is a whole file or just a resource section, so both layers get
// explored at depth.
#include <cstdint>
#include <cstdlib>

#include "com/BitmapResource.h"
#include "com/ElfFile.h"
#include "com/Resources.h"
#include "com/TypeLib.h"
#include "com/VersionRecord.h"

namespace {
void readContents(const com::ResourceTable& table) {
    QString error;
    for (const com::Resource& r : table.entries) {
        if (r.typeNumber == com::ResourceType::Version)
            (void)com::decodeVersionRecord(r.data, &error);
        else if (r.typeNumber == com::ResourceType::Bitmap)
            (void)com::decodeBitmap(r.data, &error);
        else if (r.typeName == u"TYPELIB")
            (void)com::decodeTypeLib(r.data, &error);
        else
            (void)com::decodeGuidResource(r.data, &error);
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    QString error;
    if (data[0] & 1) {
        if (const auto table = com::decodeResources(bytes, &error))
            readContents(*table);
        else if (error.isEmpty())
            std::abort();
        return 0;
    }
    if (const auto elf = com::ElfFile::fromImage(bytes, &error)) (void)elf->exportedSymbols(&error);
    if (const auto table = com::readResourcesFromImage(bytes, &error))
        readContents(*table);
    else if (error.isEmpty())
        std::abort();
    return 0;
}
