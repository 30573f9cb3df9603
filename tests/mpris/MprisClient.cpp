#include "MprisClient.h"

#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QEventLoop>
#include <QTimer>

#include "mpris/MprisNames.h"

namespace {
constexpr int kAnswerLimitMs = 10000;
}

QVariant fromBus(const QVariant& value) {
    if (value.userType() == qMetaTypeId<QDBusVariant>())
        return fromBus(value.value<QDBusVariant>().variant());
    if (value.userType() != qMetaTypeId<QDBusArgument>()) return value;
    const auto argument = value.value<QDBusArgument>();
    if (argument.currentType() == QDBusArgument::MapType) {
        QVariantMap map;
        argument >> map;
        for (auto it = map.begin(); it != map.end(); ++it) it.value() = fromBus(it.value());
        return map;
    }
    if (argument.currentType() == QDBusArgument::ArrayType) {
        QStringList list;
        argument >> list;
        return list;
    }
    return value;
}

MprisClient::MprisClient(const QDBusConnection& bus, const QString& service)
    : m_bus(bus), m_service(service) {
    const bool connected = m_bus.connect(m_service, mpris::kObjectPath, mpris::kPropertiesInterface,
                                         QStringLiteral("PropertiesChanged"), this,
                                         SLOT(onPropertiesChanged(QDBusMessage)));
    EXPECT_TRUE(connected) << m_bus.lastError().message().toStdString();
}

QDBusMessage MprisClient::await(const QDBusMessage& call) {
    QDBusPendingCall pending = m_bus.asyncCall(call, kAnswerLimitMs);
    QDBusPendingCallWatcher watcher(pending);
    QEventLoop loop;
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(kAnswerLimitMs + 1000, &loop, &QEventLoop::quit);
    // Waits for the watcher even when the answer is in already: the
    // signals that came before the answer are delivered before it.
    loop.exec();
    EXPECT_TRUE(watcher.isFinished()) << call.member().toStdString() << " got no answer";
    return watcher.reply();
}

QDBusMessage MprisClient::call(const QString& method, const QVariantList& args) {
    return call(mpris::kPlayerInterface, method, args);
}

QDBusMessage MprisClient::call(const QString& interface, const QString& method,
                               const QVariantList& args) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(m_service, mpris::kObjectPath, interface, method);
    message.setArguments(args);
    return await(message);
}

QVariant MprisClient::get(const QString& property) {
    return get(mpris::kPlayerInterface, property);
}

QVariant MprisClient::get(const QString& interface, const QString& property) {
    const QDBusMessage reply =
        call(mpris::kPropertiesInterface, QStringLiteral("Get"), {interface, property});
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
        << property.toStdString() << ": " << reply.errorMessage().toStdString();
    return reply.arguments().isEmpty() ? QVariant() : fromBus(reply.arguments().constFirst());
}

QDBusMessage MprisClient::set(const QString& property, const QVariant& value) {
    return call(mpris::kPropertiesInterface, QStringLiteral("Set"),
                {mpris::kPlayerInterface, property, QVariant::fromValue(QDBusVariant(value))});
}

QList<QVariantMap> MprisClient::takeChanges() {
    // A round trip through the window's thread: whatever the player sent
    // before answering it has arrived once the answer is in.
    get(QStringLiteral("PlaybackStatus"));
    return std::exchange(m_changes, {});
}

QStringList MprisClient::names() {
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListNames"));
    const QDBusMessage reply = await(message);
    return reply.arguments().isEmpty() ? QStringList()
                                       : fromBus(reply.arguments().constFirst()).toStringList();
}

void MprisClient::onPropertiesChanged(const QDBusMessage& signal) {
    const QVariantList args = signal.arguments();
    if (args.size() != 3 || args[0].toString() != mpris::kPlayerInterface) {
        ADD_FAILURE() << "PropertiesChanged for another interface or of the wrong shape";
        return;
    }
    EXPECT_TRUE(args[2].toStringList().isEmpty()) << "properties invalidated without values";
    m_changes << fromBus(args[1]).toMap();
}
