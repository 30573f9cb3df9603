#include "settings/SystemErrorText.h"

#include <cerrno>
#include <cstring>

namespace settings {

QString systemErrorText(int error) {
    switch (error) {
        case ENOSPC:
            return QStringLiteral("设备上没有空间");
        case EDQUOT:
            return QStringLiteral("超出磁盘配额");
        case EROFS:
            return QStringLiteral("只读文件系统");
        case EACCES:
            return QStringLiteral("权限不够");
        case EPERM:
            return QStringLiteral("不允许的操作");
        case EIO:
            return QStringLiteral("输入/输出错误");
        case ENOENT:
            return QStringLiteral("没有那个文件或目录");
        case ENOTDIR:
            return QStringLiteral("路径中有一项不是目录");
        case EISDIR:
            return QStringLiteral("是一个目录");
        case ELOOP:
            return QStringLiteral("符号链接的层数过多");
        case ENAMETOOLONG:
            return QStringLiteral("文件名过长");
        case ENOMEM:
            return QStringLiteral("内存不足");
        case EFBIG:
            return QStringLiteral("文件过大");
        case EBUSY:
            return QStringLiteral("设备或资源忙");
        case EMFILE:
        case ENFILE:
            return QStringLiteral("打开的文件过多");
        case ETIMEDOUT:
            return QStringLiteral("等待超时");
        default:
            return QString::fromLocal8Bit(std::strerror(error));
    }
}

}  // namespace settings
