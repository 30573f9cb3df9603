#include "com/TypeLib.h"

namespace com {

const TypeLibType* TypeLibrary::find(const Guid& typeId) const {
    for (const TypeLibType& t : types)
        if (t.id == typeId) return &t;
    return nullptr;
}

const TypeLibType* TypeLibrary::findByName(QStringView typeName) const {
    for (const TypeLibType& t : types)
        if (QStringView(t.name).compare(typeName, Qt::CaseInsensitive) == 0) return &t;
    return nullptr;
}

std::optional<DispId> TypeLibrary::idOfName(const Guid& interfaceId, QStringView member) const {
    const TypeLibType* type = find(interfaceId);
    if (!type || type->kind == TypeKind::Class) return std::nullopt;
    for (const TypeLibMember& m : type->members)
        if (QStringView(m.name).compare(member, Qt::CaseInsensitive) == 0) return m.dispId;
    return std::nullopt;
}

QString typeKindName(TypeKind kind) {
    switch (kind) {
        case TypeKind::Class:
            return QStringLiteral("coclass");
        case TypeKind::Interface:
            return QStringLiteral("interface");
        case TypeKind::DispatchInterface:
            return QStringLiteral("dispinterface");
    }
    return QStringLiteral("kind %1").arg(int(kind));
}

QString dataTypeName(DataType type) {
    switch (type) {
        case DataType::Int16:
            return QStringLiteral("int16");
        case DataType::Int32:
            return QStringLiteral("int32");
        case DataType::Bool:
            return QStringLiteral("bool");
        case DataType::Void:
            return QStringLiteral("void");
        case DataType::HResult:
            return QStringLiteral("hresult");
    }
    return QStringLiteral("type %1").arg(int(type));
}

}  // namespace com
