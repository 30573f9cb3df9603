#include "DesktopApplication.h"

#include <QDBusError>

#include "Form1.h"
#include "HandedFiles.h"

DesktopApplication::DesktopApplication(const QDBusConnection& bus) : m_bus(bus) {
    new DesktopApplicationAdaptor(this);
    m_exported =
        m_bus.registerObject(desktop::kApplicationPath, this, QDBusConnection::ExportAdaptors);
}

DesktopApplication::~DesktopApplication() {
    if (m_exported) m_bus.unregisterObject(desktop::kApplicationPath);
}

void DesktopApplication::attach(Form1& form) {
    m_form = &form;
    for (const std::function<void()>& work : std::exchange(m_waiting, {})) work();
}

void DesktopApplication::whenAttached(std::function<void()> work) {
    // After the reply, as a click comes after the press: the caller is not
    // kept waiting while a file opens.
    QMetaObject::invokeMethod(
        this,
        [this, work = std::move(work)] {
            // What comes after the window has closed finds the program
            // ending, and is let go.
            if (m_form && m_form->closed()) return;
            if (m_form)
                work();
            else
                m_waiting.push_back(work);
        },
        Qt::QueuedConnection);
}

void DesktopApplication::activate() {
    whenAttached([this] { m_form->bringToFront(); });
}

void DesktopApplication::open(const QStringList& uris) {
    whenAttached([this, uris] {
        m_form->bringToFront();
        handed::open(*m_form, handed::regularFiles(uris, m_looker));
    });
}

void DesktopApplication::refuseAction(const QString& action) {
    if (calledFromDBus())
        sendErrorReply(QDBusError::InvalidArgs,
                       QStringLiteral("ravelle offers no action \"%1\"").arg(action));
}

DesktopApplicationAdaptor::DesktopApplicationAdaptor(DesktopApplication* application)
    : QDBusAbstractAdaptor(application), m_application(application) {}

void DesktopApplicationAdaptor::Activate(const QVariantMap&) { m_application->activate(); }

void DesktopApplicationAdaptor::Open(const QStringList& uris, const QVariantMap&) {
    m_application->open(uris);
}

void DesktopApplicationAdaptor::ActivateAction(const QString& action, const QVariantList&,
                                               const QVariantMap&) {
    m_application->refuseAction(action);
}
