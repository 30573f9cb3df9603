// Any bytes as a compiled type library: read it, and what reads must write
// back to the same bytes and read again as the same library.
#include <cstdint>
#include <cstdlib>

#include "com/TypeLib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const auto lib = com::decodeTypeLib(bytes, &error);
    if (!lib) {
        if (error.isEmpty()) std::abort();
        return 0;
    }
    for (const com::TypeLibType& t : lib->types)
        for (const com::TypeLibMember& m : t.members) (void)lib->idOfName(t.id, m.name);
    const auto again = com::decodeTypeLib(com::encodeTypeLib(*lib), &error);
    if (!again || *again != *lib) std::abort();
    return 0;
}
