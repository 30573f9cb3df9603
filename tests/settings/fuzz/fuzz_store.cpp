// Any bytes as a settings file: read them, and when they read as sound
// settings, what is written back must read again as the same values.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/IniDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const settings::IniDocument doc =
        settings::IniDocument::parse(std::string(reinterpret_cast<const char*>(data), size));
    const settings::IniDocument again = settings::IniDocument::parse(doc.serialize());
    if (again.damaged()) std::abort();  // what the store writes, it understands
    doc.forEach([&](std::string_view section, std::string_view key, const std::string& value) {
        const std::optional<std::string> back = again.find(section, key);
        if (!back || *back != value) std::abort();
    });
    return 0;
}
