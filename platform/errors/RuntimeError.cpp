#include "errors/RuntimeError.h"

namespace errors {

RuntimeError::RuntimeError(int number, QString description)
    : m_number(number),
      m_description(description.isEmpty() ? standardDescription(number) : std::move(description)),
      m_what(QStringLiteral("%1: %2").arg(m_number).arg(m_description).toStdString()) {}

QString RuntimeError::standardDescription(int number) {
    switch (number) {
        case InvalidProcedureCall:
            return QStringLiteral("无效的调用或参数");
        case Overflow:
            return QStringLiteral("溢出");
        case OutOfMemory:
            return QStringLiteral("内存不足");
        case SubscriptOutOfRange:
            return QStringLiteral("下标越界");
        case TypeMismatch:
            return QStringLiteral("类型不匹配");
        case FileNotFound:
            return QStringLiteral("文件未找到");
        case InvalidPropertyValue:
            return QStringLiteral("无效的属性值");
        case InvalidPropertyArrayIndex:
            return QStringLiteral("无效的属性索引");
        case InvalidPicture:
            return QStringLiteral("无效的图片");
        case CannotCreateObject:
            return QStringLiteral("无法创建部件的对象");
        case ObjectDoesNotSupport:
            return QStringLiteral("对象不支持该属性或方法");
        case ClientSiteNotAvailable:
            return QStringLiteral("控件还没有放到窗体上");
        case InternalError:
            return QStringLiteral("程序内部错误");
        default:
            return QStringLiteral("运行时错误");
    }
}

void raiseError(int number, const QString& description) { throw RuntimeError(number, description); }

}  // namespace errors
