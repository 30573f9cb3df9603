#include "MprisSession.h"

#include "BusNameClaim.h"
#include "MprisNames.h"
#include "MprisObject.h"

MprisSession::MprisSession(Form1& form, const QDBusConnection& bus) : m_form(form) {
    if (bus.isConnected()) attach(bus);
}

MprisSession::~MprisSession() = default;

QString MprisSession::busName() const { return m_claim ? m_claim->owned() : QString(); }

void MprisSession::attach(const QDBusConnection& bus) {
    if (m_object) return;
    m_object = std::make_unique<MprisObject>(m_form, bus);
    // The object is there before anyone can find it by name.
    if (!m_object->registered()) return;
    m_claim = std::make_unique<BusNameClaim>(bus, mpris::kBusName);
    connect(m_claim.get(), &BusNameClaim::granted, this, &MprisSession::nameGranted);
}
