#include "MediaError.h"

namespace media {

QString errorText(int error, const QString& subject) {
    QString text;
    switch (error) {
        case NoError:
            return {};
        case NoFileName:
            return QStringLiteral("未指定要打开的文件");
        case FileNotFound:
            text = QStringLiteral("找不到文件");
            break;
        case NotAFile:
            text = QStringLiteral("不是文件");
            break;
        case Unreadable:
            text = QStringLiteral("无法读取文件");
            break;
        case EmptyFile:
            text = QStringLiteral("文件为空");
            break;
        case NotPlayable:
            text = QStringLiteral("无法播放: 不是音频文件或文件已损坏");
            break;
        case ZeroLength:
            text = QStringLiteral("文件长度为零");
            break;
        case UnknownLength:
            text = QStringLiteral("无法确定文件长度");
            break;
        case OpenTimeout:
            text = QStringLiteral("打开文件超时");
            break;
        case NotOpen:
            return QStringLiteral("设备未打开");
        case UnknownCommand:
            text = QStringLiteral("未知命令");
            break;
        case PlaybackFailed:
            text = QStringLiteral("播放中断");
            break;
        case BackendUnavailable:
            text = QStringLiteral("无法启动音频解码");
            break;
        case NoOutput:
            return QStringLiteral("没有可用的声音输出");
        case OutputLost:
            return QStringLiteral("声音输出中断");
        default:
            text = QStringLiteral("媒体设备错误 %1").arg(error);
            break;
    }
    return subject.isEmpty() ? text : text + QStringLiteral(": ") + subject;
}

}  // namespace media
