#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

// The desktop's side of the bus, for tests: calls the player's object
// as a desktop does and records the PropertiesChanged signals it sends.
// Every call is made without blocking the thread (the player's window runs
// on it too) and waits for its answer for at most a few seconds.
class MprisClient : public QObject {
    Q_OBJECT
public:
    // service: the player's unique or well-known name on bus.
    MprisClient(const QDBusConnection& bus, const QString& service);

    // A method of the Player interface (or of interface); the reply.
    QDBusMessage call(const QString& method, const QVariantList& args = {});
    QDBusMessage call(const QString& interface, const QString& method, const QVariantList& args);

    // A property of the Player interface (or of interface), with the
    // bus's wrapping taken off: a dictionary comes back as a QVariantMap.
    QVariant get(const QString& property);
    QVariant get(const QString& interface, const QString& property);
    QDBusMessage set(const QString& property, const QVariant& value);

    // The Player properties each PropertiesChanged carried, in order, up to
    // everything the player sent before this call; then forgotten.
    QList<QVariantMap> takeChanges();

    // The bus's names, as ListNames gives them.
    QStringList names();

    QDBusConnection bus() const { return m_bus; }

private slots:
    void onPropertiesChanged(const QDBusMessage& signal);

private:
    QDBusMessage await(const QDBusMessage& call);

    QDBusConnection m_bus;
    QString m_service;
    QList<QVariantMap> m_changes;
};

// Unwraps what came over the bus: dictionaries and lists inside variants
// arrive still marshalled.
QVariant fromBus(const QVariant& value);
