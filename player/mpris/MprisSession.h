#pragma once

#include <QDBusConnection>
#include <QObject>
#include <memory>

class Form1;
class MprisObject;
class BusNameClaim;

// The player on the desktop's bus: its object, and its name
// (org.mpris.MediaPlayer2.ravelle, or that with ".instance<pid>" when
// another copy holds it). The window must outlive it.
class MprisSession : public QObject {
    Q_OBJECT
public:
    // On the session bus, joined and named without the window waiting for
    // either; without a session bus the player simply has none.
    explicit MprisSession(Form1& form);
    // On a bus already connected.
    MprisSession(Form1& form, const QDBusConnection& bus);
    ~MprisSession() override;

    // The bus name owned; empty until the bus has granted one.
    QString busName() const;

signals:
    void nameGranted(const QString& name);

private:
    void attach(const QDBusConnection& bus);

    Form1& m_form;
    std::unique_ptr<MprisObject> m_object;
    std::unique_ptr<BusNameClaim> m_claim;
};
