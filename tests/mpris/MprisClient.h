#pragma once

#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QDebug>
#include <QEventLoop>
#include <QVariantMap>

#include "mpris/MprisNames.h"

// Unwraps what came over the bus: dictionaries and lists inside variants
// arrive still marshalled.
inline QVariant fromBus(const QVariant& value) {
    if (value.userType() == qMetaTypeId<QDBusVariant>())
        return fromBus(value.value<QDBusVariant>().variant());
    if (value.userType() != qMetaTypeId<QDBusArgument>()) return value;
    const auto argument = value.value<QDBusArgument>();
    if (argument.currentType() == QDBusArgument::ArrayType)
        return qdbus_cast<QStringList>(argument);
    if (argument.currentType() != QDBusArgument::MapType) return value;
    QVariantMap map = qdbus_cast<QVariantMap>(argument);
    for (QVariant& item : map) item = fromBus(item);
    return map;
}

// Lets failures show what travelled on the bus.
inline void PrintTo(const QVariantMap& map, std::ostream* out) {
    *out << QDebug::toString(map).toStdString();
}

// The desktop's side of the bus: calls the player as a desktop does, and
// records what it tells. A call leaves the thread free (the player's window
// runs on it too) and waits for its answer for at most a few seconds.
class MprisClient : public QObject {
    Q_OBJECT
public:
    MprisClient(const QDBusConnection& bus, const QString& service)
        : m_bus(bus), m_service(service) {
        EXPECT_TRUE(m_bus.connect(m_service, mpris::kObjectPath, mpris::kPropertiesInterface,
                                  "PropertiesChanged", this,
                                  SLOT(onPropertiesChanged(QDBusMessage))))
            << m_bus.lastError().message().toStdString();
    }

    // A method of the Player interface (or of interface); the reply.
    QDBusMessage call(const QString& method, const QVariantList& args = {},
                      const QString& interface = mpris::kPlayerInterface) {
        QDBusMessage message =
            QDBusMessage::createMethodCall(m_service, mpris::kObjectPath, interface, method);
        message.setArguments(args);
        // Waits for the watcher even when the answer is in already: the
        // signals that came before the answer are delivered before it. With
        // no answer in time, the reply is an error.
        QDBusPendingCallWatcher watcher(m_bus.asyncCall(message, kAnswerLimitMs));
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        loop.exec();
        return watcher.reply();
    }

    // A property of the Player interface (or of interface), unwrapped; set
    // one of the Player interface.
    QVariant get(const QString& property, const QString& interface = mpris::kPlayerInterface) {
        const QDBusMessage reply = call("Get", {interface, property}, mpris::kPropertiesInterface);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
            << property.toStdString() << ": " << reply.errorMessage().toStdString();
        return reply.arguments().isEmpty() ? QVariant() : fromBus(reply.arguments().constFirst());
    }
    QDBusMessage set(const QString& property, const QVariant& value) {
        const QVariant wrapped = QVariant::fromValue(QDBusVariant(value));
        return call("Set", {mpris::kPlayerInterface, property, wrapped},
                    mpris::kPropertiesInterface);
    }

    // The Player properties a PropertiesChanged may carry, as Get reads them.
    QVariantMap view() {
        QVariantMap view;
        for (const char* property :
             {"PlaybackStatus", "CanPlay", "CanPause", "CanGoNext", "Metadata", "Volume"})
            view[property] = get(property);
        return view;
    }
    // Expects the player to have told, since before was read, just what
    // changed, at once, and nothing when nothing did. The view now.
    QVariantMap expectToldWhatChangedSince(const QVariantMap& before) {
        QVariantMap now = view(), changed = now;
        for (auto it = before.begin(); it != before.end(); ++it)
            if (changed.value(it.key()) == it.value()) changed.remove(it.key());
        EXPECT_EQ(takeChanges(), changed.isEmpty() ? QList<QVariantMap>{} : QList{changed});
        return now;
    }

    // What each PropertiesChanged sent before this call carried, in order.
    QList<QVariantMap> takeChanges() {
        // A round trip through the window's thread: whatever the player sent
        // before answering it has arrived once the answer is in.
        get("PlaybackStatus");
        return std::exchange(m_changes, {});
    }

private slots:
    void onPropertiesChanged(const QDBusMessage& signal) {
        const QVariantList args = signal.arguments();
        if (args.size() != 3 || args[0].toString() != mpris::kPlayerInterface)
            return ADD_FAILURE() << "PropertiesChanged for another interface or of the wrong shape";
        EXPECT_TRUE(args[2].toStringList().isEmpty()) << "properties invalidated without values";
        m_changes << fromBus(args[1]).toMap();
    }

private:
    static constexpr int kAnswerLimitMs = 10000;
    QDBusConnection m_bus;
    QString m_service;
    QList<QVariantMap> m_changes;
};
