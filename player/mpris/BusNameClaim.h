#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

// Asks the bus for a well-known name without waiting for the answer: the
// name itself when it is free, or, when another copy of the program holds
// it, the name followed by ".instance<pid>". Each request is given up after
// a few seconds without an answer.
class BusNameClaim : public QObject {
    Q_OBJECT
public:
    static constexpr int kAnswerLimitMs = 5000;

    BusNameClaim(const QDBusConnection& bus, const QString& name, QObject* parent = nullptr);

    // The name this connection owns; empty until the bus has granted one.
    QString owned() const { return m_owned; }

signals:
    void granted(const QString& name);

private:
    void request(const QString& name, bool lastTry);

    QDBusConnection m_bus;
    QString m_name;
    QString m_owned;
};
