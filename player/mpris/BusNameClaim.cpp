#include "BusNameClaim.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {
// RequestName's flag and answers.
constexpr uint kDoNotQueue = 4;
constexpr uint kPrimaryOwner = 1;
constexpr uint kExists = 3;
constexpr uint kAlreadyOwner = 4;
}  // namespace

BusNameClaim::BusNameClaim(const QDBusConnection& bus, const QString& name, QObject* parent)
    : QObject(parent), m_bus(bus), m_name(name) {
    request(name, false);
}

void BusNameClaim::request(const QString& name, bool lastTry) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("RequestName"));
    call << name << kDoNotQueue;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kAnswerLimitMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, name, lastTry] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        // No answer, or a refusal other than "taken": nothing more
        // to ask for.
        if (!reply.isValid()) return;
        if (reply.value() == kPrimaryOwner || reply.value() == kAlreadyOwner) {
            m_owned = name;
            emit granted(name);
        } else if (reply.value() == kExists && !lastTry) {
            request(m_name + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid()),
                    true);
        }
    });
}
