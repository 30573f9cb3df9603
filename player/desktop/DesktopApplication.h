#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusContext>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>

#include "devices/FileLook.h"

class Form1;

// The names the desktop starts and finds the player by.
namespace desktop {
inline const QString kApplicationName = QStringLiteral("org.ravelle.Ravelle");
inline const QString kApplicationPath = QStringLiteral("/org/ravelle/Ravelle");
inline const QString kApplicationInterface = QStringLiteral("org.freedesktop.Application");
}  // namespace desktop

// The player as a desktop application on the session bus
// (org.freedesktop.Application, on /org/ravelle/Ravelle): what a file
// manager's Open, a second launch or D-Bus activation asks of it.
//   Activate        the window comes to the front
//   Open            the files handed in (handed::open), the window to the front
//   ActivateAction  none is offered
// The object is exported before the window exists, so a call that comes
// with the activation that started the program finds it; calls are handled
// once the window is there, after their reply, on the window's thread.
class DesktopApplication : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    // Exported on bus; false from exported() when it could not be.
    explicit DesktopApplication(const QDBusConnection& bus);
    ~DesktopApplication() override;
    bool exported() const { return m_exported; }

    // The window, from now on; what was asked before goes to it now.
    void attach(Form1& form);

    // Handles what a launch or a call asked, as their D-Bus methods do.
    void activate();
    void open(const QStringList& uris);
    // There are no actions: the call is answered with an error.
    void refuseAction(const QString& action);

private:
    void whenAttached(std::function<void()> work);

    QDBusConnection m_bus;
    bool m_exported = false;
    QPointer<Form1> m_form;
    std::vector<std::function<void()>> m_waiting;
    media::FileLooker m_looker{media::lookAtEntry};
};

class DesktopApplicationAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
    Q_CLASSINFO("D-Bus Introspection",
                "  <interface name=\"org.freedesktop.Application\">\n"
                "    <method name=\"Activate\">\n"
                "      <arg name=\"platform_data\" type=\"a{sv}\" direction=\"in\"/>\n"
                "    </method>\n"
                "    <method name=\"Open\">\n"
                "      <arg name=\"uris\" type=\"as\" direction=\"in\"/>\n"
                "      <arg name=\"platform_data\" type=\"a{sv}\" direction=\"in\"/>\n"
                "    </method>\n"
                "    <method name=\"ActivateAction\">\n"
                "      <arg name=\"action_name\" type=\"s\" direction=\"in\"/>\n"
                "      <arg name=\"parameter\" type=\"av\" direction=\"in\"/>\n"
                "      <arg name=\"platform_data\" type=\"a{sv}\" direction=\"in\"/>\n"
                "    </method>\n"
                "  </interface>\n")
public:
    explicit DesktopApplicationAdaptor(DesktopApplication* application);

public slots:
    void Activate(const QVariantMap& platformData);
    void Open(const QStringList& uris, const QVariantMap& platformData);
    void ActivateAction(const QString& action, const QVariantList& parameter,
                        const QVariantMap& platformData);

private:
    DesktopApplication* m_application;
};
