#include "com/TypeLibLookup.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>

#include "com/ComponentRegistry.h"
#include "com/Resources.h"

namespace com {

namespace {
struct Cached {
    QDateTime modified;
    qint64 size = 0;
    std::shared_ptr<const TypeLibrary> library;
};
}  // namespace

std::optional<TypeLibrary> loadTypeLibFromFile(const QString& path, QString* error) {
    const std::optional<ResourceTable> resources = readResources(path, error);
    if (!resources) return std::nullopt;
    const Resource* typeLib = resources->find(u"TYPELIB", 1);
    if (!typeLib) {
        *error = QStringLiteral("%1 中没有类型库 (资源 TYPELIB 1)").arg(path);
        return std::nullopt;
    }
    QString why;
    std::optional<TypeLibrary> lib = decodeTypeLib(typeLib->data, &why);
    if (!lib) *error = QStringLiteral("%1: %2").arg(path, why);
    return lib;
}

std::optional<TypeLibrary> loadRegisteredTypeLib(const Guid& id, uint16_t major, uint16_t minor,
                                                 QString* error) {
    const auto entry = registry::findTypeLib(id, major, minor);
    if (!entry) {
        *error =
            QStringLiteral("类型库 %1 版本 %2.%3 未注册").arg(id.toString()).arg(major).arg(minor);
        return std::nullopt;
    }
    std::optional<TypeLibrary> lib = loadTypeLibFromFile(entry->path, error);
    if (lib && (lib->id != id || lib->major != major || lib->minor != minor)) {
        *error = QStringLiteral("%1 中的类型库是 %2 版本 %3.%4, 不是注册的 %5 版本 %6.%7")
                     .arg(entry->path, lib->id.toString())
                     .arg(lib->major)
                     .arg(lib->minor)
                     .arg(id.toString())
                     .arg(major)
                     .arg(minor);
        return std::nullopt;
    }
    return lib;
}

std::shared_ptr<const TypeLibrary> typeLibOf(const ProjectDescriptor& project, QString* error) {
    static QHash<QString, Cached> cache;
    QString why;
    const QString path = serverPath(project);
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        why = QStringLiteral("找不到部件自己的文件");
    } else if (auto it = cache.constFind(path); it != cache.cend() &&
                                                it->modified == info.lastModified() &&
                                                it->size == info.size()) {
        return it->library;
    } else if (auto lib = loadTypeLibFromFile(path, &why)) {
        auto shared = std::make_shared<const TypeLibrary>(std::move(*lib));
        cache.insert(path, {info.lastModified(), info.size(), shared});
        return shared;
    }
    if (error) *error = why;
    return nullptr;
}

HResult idOfNameFromTypeLib(const ProjectDescriptor& project, const Guid& interfaceId,
                            const QString& name, DispId* id) {
    if (!id) return hr::Pointer;
    const auto lib = typeLibOf(project);
    if (!lib) return hr::TypeLibUnavailable;
    const std::optional<DispId> found = lib->idOfName(interfaceId, name);
    if (!found) return hr::UnknownName;
    *id = *found;
    return hr::Ok;
}

}  // namespace com
