#include "com/ComponentLibrary.h"

#include <dlfcn.h>
#include <elf.h>

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <cstring>
#include <memory>

namespace com {

namespace {
using Loaded = QHash<QString, std::shared_ptr<ComponentLibrary>>;
Loaded& loaded() {
    static Loaded libraries;
    return libraries;
}

// The loader maps a library's segments without checking that the file holds
// them all: a library cut short loads, then faults when code from the
// missing part runs. Check that every piece the headers promise is there.
bool wholeLibrary(const QString& path, QString* reason) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = QStringLiteral("无法读取部件文件 %1").arg(path);
        return false;
    }
    const qint64 size = file.size();
    Elf64_Ehdr header{};
    const auto damaged = [&] {
        *reason = QStringLiteral("部件文件 %1 已损坏或不完整").arg(path);
        return false;
    };
    if (file.read(reinterpret_cast<char*>(&header), sizeof header) != sizeof header)
        return damaged();
    if (memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64) {
        *reason = QStringLiteral("部件文件 %1 不是共享库").arg(path);
        return false;
    }
    if (header.e_phentsize != sizeof(Elf64_Phdr)) return damaged();
    const auto fits = [&](quint64 offset, quint64 length) {
        return offset <= quint64(size) && length <= quint64(size) - offset;
    };
    if (!fits(header.e_phoff, quint64(header.e_phnum) * sizeof(Elf64_Phdr)) ||
        !fits(header.e_shoff, quint64(header.e_shnum) * header.e_shentsize))
        return damaged();
    file.seek(qint64(header.e_phoff));
    for (int i = 0; i < header.e_phnum; ++i) {
        Elf64_Phdr segment{};
        if (file.read(reinterpret_cast<char*>(&segment), sizeof segment) != sizeof segment)
            return damaged();
        if (segment.p_type == PT_LOAD && !fits(segment.p_offset, segment.p_filesz))
            return damaged();
    }
    return true;
}

QString canonical(const QString& path) {
    const QFileInfo info(path);
    return info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
}
}  // namespace

ComponentLibrary* ComponentLibrary::load(const QString& path, QString* reason) {
    const QString file = canonical(path);
    if (auto it = loaded().constFind(file); it != loaded().cend()) return it->get();

    const QFileInfo info(file);
    if (!info.exists() || !info.isFile()) {
        *reason = QStringLiteral("部件文件 %1 不存在").arg(file);
        return nullptr;
    }
    if (!wholeLibrary(file, reason)) return nullptr;
    // Local binding: two components may well use the same names inside.
    void* handle = dlopen(QFile::encodeName(file).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        *reason =
            QStringLiteral("无法加载部件文件 %1: %2").arg(file, QString::fromLocal8Bit(dlerror()));
        return nullptr;
    }
    std::shared_ptr<ComponentLibrary> lib(new ComponentLibrary);
    lib->m_path = file;
    lib->m_handle = handle;
    lib->m_register = reinterpret_cast<DllRegisterServerFn>(dlsym(handle, "DllRegisterServer"));
    lib->m_unregister =
        reinterpret_cast<DllUnregisterServerFn>(dlsym(handle, "DllUnregisterServer"));
    lib->m_getClassObject =
        reinterpret_cast<DllGetClassObjectFn>(dlsym(handle, "DllGetClassObject"));
    lib->m_canUnloadNow = reinterpret_cast<DllCanUnloadNowFn>(dlsym(handle, "DllCanUnloadNow"));
    if (!lib->m_register || !lib->m_unregister || !lib->m_getClassObject || !lib->m_canUnloadNow) {
        dlclose(handle);
        *reason = QStringLiteral("%1 不是部件文件: 缺少部件的入口函数").arg(file);
        return nullptr;
    }
    loaded().insert(file, lib);
    return lib.get();
}

int ComponentLibrary::freeUnused() {
    int unloaded = 0;
    for (auto it = loaded().begin(); it != loaded().end();) {
        if ((*it)->canUnloadNow()) {
            dlclose((*it)->m_handle);
            it = loaded().erase(it);
            ++unloaded;
        } else {
            ++it;
        }
    }
    return unloaded;
}

bool ComponentLibrary::isLoaded(const QString& path) { return loaded().contains(canonical(path)); }

Ptr<IClassFactory> classFactoryFrom(const QString& path, const Guid& clsid, QString* reason) {
    const ComponentLibrary* library = ComponentLibrary::load(path, reason);
    if (!library) return {};
    void* out = nullptr;
    if (hr::failed(library->getClassObject(clsid, IClassFactory::iid, &out))) {
        *reason = QStringLiteral("部件文件 %1 不提供类 %2").arg(library->path(), clsid.toString());
        ComponentLibrary::freeUnused();
        return {};
    }
    return Ptr<IClassFactory>::adopt(static_cast<IClassFactory*>(out));
}

}  // namespace com
