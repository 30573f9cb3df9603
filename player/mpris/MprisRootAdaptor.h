#pragma once

#include <QDBusAbstractAdaptor>
#include <QStringList>
#include <optional>

class Form1;

// org.mpris.MediaPlayer2: who the player is, and the two things the desktop
// may do to its window: bring it to the front, and close it the normal way
// (so the playlist is saved).
class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_CLASSINFO("D-Bus Introspection",
                "  <interface name=\"org.mpris.MediaPlayer2\">\n"
                "    <method name=\"Raise\"/>\n"
                "    <method name=\"Quit\"/>\n"
                "    <property name=\"CanQuit\" type=\"b\" access=\"read\"/>\n"
                "    <property name=\"CanRaise\" type=\"b\" access=\"read\"/>\n"
                "    <property name=\"HasTrackList\" type=\"b\" access=\"read\"/>\n"
                "    <property name=\"Identity\" type=\"s\" access=\"read\"/>\n"
                "    <property name=\"DesktopEntry\" type=\"s\" access=\"read\"/>\n"
                "    <property name=\"SupportedUriSchemes\" type=\"as\" access=\"read\"/>\n"
                "    <property name=\"SupportedMimeTypes\" type=\"as\" access=\"read\"/>\n"
                "  </interface>\n")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)

public:
    // Exported on parent's path; the window must outlive it.
    MprisRootAdaptor(QObject* parent, Form1& form);

    bool canQuit() const { return true; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const;
    QString desktopEntry() const;
    QStringList supportedUriSchemes() const;
    // Asked of GStreamer the first time someone wants them, never at start.
    QStringList supportedMimeTypes() const;

public slots:
    void Raise();
    void Quit();

private:
    Form1& m_form;
    mutable std::optional<QStringList> m_mimeTypes;
};
