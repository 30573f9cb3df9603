// Any bytes as a settings file: read them, and when they read as sound
// settings, what is written back must read again as the same values.
#include <cstdint>
#include <cstdlib>

#include "settings/IniDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const settings::IniDocument doc = settings::IniDocument::parse(bytes);
    const QByteArray written = doc.serialize();
    const settings::IniDocument again = settings::IniDocument::parse(written);
    if (again.damaged()) std::abort();  // what the store writes, it understands
    doc.forEach([&](const QString& section, const QString& key, const QString& value) {
        const QString* back = again.find(section, key);
        if (!back || *back != value) std::abort();
    });
    return 0;
}
