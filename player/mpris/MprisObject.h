#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>

#include "CoverCache.h"
#include "MprisState.h"

class Form1;

// The player's object on the bus, /org/mpris/MediaPlayer2, with its two
// interfaces. It watches the carriers the desktop's view is read from (the
// transport buttons' flags, the status line, the volume, the media device)
// and, when any of them changed, sends one PropertiesChanged with what the
// desktop sees differently once the handler that changed them has run.
// Nothing is polled. Its adaptors answer a call with an error through its
// QDBusContext, which the bus fills in for calls to them.
class MprisObject : public QObject, public QDBusContext {
    Q_OBJECT
public:
    // Registers itself on bus; the window must outlive it.
    MprisObject(Form1& form, const QDBusConnection& bus);
    ~MprisObject() override;

    bool registered() const { return m_registered; }
    // Where the covers of the tracks are put for the desktop to show.
    CoverCache& covers() { return m_covers; }

private:
    void carrierChanged();
    void publish();

    Form1& m_form;
    QDBusConnection m_bus;
    CoverCache m_covers;
    MprisState m_published;
    bool m_publishPending = false;
    bool m_registered = false;
};
