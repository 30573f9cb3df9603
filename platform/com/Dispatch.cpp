#include "com/Dispatch.h"

#include "errors/RuntimeError.h"

namespace com {

namespace {
Variant invoke(IDispatch& object, DispId id, InvokeKind kind, std::span<Variant> args) {
    Variant result;
    ExcepInfo error;
    const HResult status = object.Invoke(id, kind, args, &result, &error);
    if (hr::succeeded(status)) return result;
    if (status == hr::Exception) errors::raiseError(error.number, error.description);
    if (status == hr::MemberNotFound || status == hr::UnknownName)
        errors::raiseError(errors::ObjectDoesNotSupport,
                           QStringLiteral("对象不支持该属性或方法 (%1)").arg(id));
    if (status == hr::TypeMismatch) errors::raiseError(errors::TypeMismatch);
    if (const int number = hr::errorNumber(status)) errors::raiseError(number);
    errors::raiseError(errors::InvalidProcedureCall,
                       QStringLiteral("调用失败 (0x%1)").arg(uint32_t(status), 8, 16, QChar(u'0')));
}
}  // namespace

Variant getProperty(IDispatch& object, DispId id) {
    return invoke(object, id, InvokeKind::PropertyGet, {});
}

void putProperty(IDispatch& object, DispId id, const Variant& value) {
    Variant arg = value;
    invoke(object, id, InvokeKind::PropertyPut, std::span<Variant>(&arg, 1));
}

Variant callMethod(IDispatch& object, DispId id, std::span<Variant> args) {
    return invoke(object, id, InvokeKind::Method, args);
}

}  // namespace com
