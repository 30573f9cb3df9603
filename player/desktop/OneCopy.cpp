#include "OneCopy.h"

#include <QDBusMessage>
#include <QVariantMap>
#include <cstdio>

#include "DesktopApplication.h"

namespace desktop {

namespace {
// RequestName's flag and answers.
constexpr uint kDoNotQueue = 4;
constexpr uint kPrimaryOwner = 1;
constexpr uint kAlreadyOwner = 4;

void say(const QString& why) {
    std::fprintf(stderr, "ravelle: %s\n", why.toLocal8Bit().constData());
}
}  // namespace

Launch claimOrHandOver(const QDBusConnection& bus, const QStringList& uris, int limitMs) {
    QDBusMessage request = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("RequestName"));
    request << kApplicationName << kDoNotQueue;
    const QDBusMessage granted = bus.call(request, QDBus::Block, limitMs);
    if (granted.type() != QDBusMessage::ReplyMessage || granted.arguments().isEmpty()) {
        say(QStringLiteral("会话总线没有回答（%1）；本次运行不交接文件")
                .arg(granted.errorMessage()));
        return Launch::OnItsOwn;
    }
    const uint answer = granted.arguments().constFirst().toUInt();
    if (answer == kPrimaryOwner || answer == kAlreadyOwner) return Launch::OnlyCopy;

    QDBusMessage hand = QDBusMessage::createMethodCall(
        kApplicationName, kApplicationPath, kApplicationInterface,
        uris.isEmpty() ? QStringLiteral("Activate") : QStringLiteral("Open"));
    if (!uris.isEmpty()) hand << uris;
    hand << QVariantMap();
    hand.setAutoStartService(false);
    const QDBusMessage taken = bus.call(hand, QDBus::Block, limitMs);
    if (taken.type() == QDBusMessage::ReplyMessage) return Launch::HandedOver;
    say(QStringLiteral("另一个 ravelle 在运行，但没有在 %1 毫秒内回答（%2）；这次另开一个窗口")
            .arg(limitMs)
            .arg(taken.errorMessage()));
    return Launch::OnItsOwn;
}

}  // namespace desktop
