#include "MprisRootAdaptor.h"

#include <QTimer>

#include "DecodableAudioTypes.h"
#include "Form1.h"
#include "ProgramSetup.h"
#include "forms/CloseOnSignals.h"

MprisRootAdaptor::MprisRootAdaptor(QObject* parent, Form1& form)
    : QDBusAbstractAdaptor(parent), m_form(form) {}

QString MprisRootAdaptor::identity() const { return kProgramName; }

QString MprisRootAdaptor::desktopEntry() const { return kDesktopEntry; }

QStringList MprisRootAdaptor::supportedUriSchemes() const { return {QStringLiteral("file")}; }

QStringList MprisRootAdaptor::supportedMimeTypes() const {
    if (!m_mimeTypes) m_mimeTypes = decodableAudioTypes();
    return *m_mimeTypes;
}

void MprisRootAdaptor::Raise() { m_form.bringToFront(); }

void MprisRootAdaptor::Quit() {
    // After the reply has gone. The window closes as at its close button,
    // a dialog or a menu open over it first cancelled: the desktop was told
    // the player can always be made to quit.
    QTimer::singleShot(0, &m_form, [form = &m_form] { forms::closeOverDialogs(form); });
}
