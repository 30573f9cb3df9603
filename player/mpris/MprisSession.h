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
    // On a bus already connected; on one that is not, nothing.
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
