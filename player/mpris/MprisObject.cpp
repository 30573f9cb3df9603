#include "MprisObject.h"

#include <QDBusMessage>

#include "Form1.h"
#include "MprisNames.h"
#include "MprisPlayerAdaptor.h"
#include "MprisRootAdaptor.h"

MprisObject::MprisObject(Form1& form, const QDBusConnection& bus)
    : m_form(form), m_bus(bus), m_published(MprisState::of(form, &m_covers)) {
    new MprisRootAdaptor(this, form);
    new MprisPlayerAdaptor(this, form);

    const auto watch = [this](const forms::ChangeNotifier& notifier) {
        connect(&notifier, &forms::ChangeNotifier::changed, this, &MprisObject::carrierChanged);
    };
    const forms::Control* carriers[] = {&form.Command2, &form.Command3, &form.Command5,
                                        &form.Label4, &form.HScroll1};
    for (const forms::Control* carrier : carriers) watch(carrier->changes());
    watch(form.mci.changes());
    connect(&m_covers, &CoverCache::written, this, &MprisObject::carrierChanged);

    m_registered = m_bus.registerObject(mpris::kObjectPath, this, QDBusConnection::ExportAdaptors);
}

MprisObject::~MprisObject() {
    if (m_registered) m_bus.unregisterObject(mpris::kObjectPath);
}

void MprisObject::carrierChanged() {
    // A handler changes several carriers in a row; the desktop hears of
    // them together, once it has finished, not of each half-way state.
    if (m_publishPending) return;
    m_publishPending = true;
    QMetaObject::invokeMethod(this, &MprisObject::publish, Qt::QueuedConnection);
}

void MprisObject::publish() {
    m_publishPending = false;
    const MprisState now = MprisState::of(m_form, &m_covers);
    const QVariantMap changed = now.changedSince(m_published);
    m_published = now;
    if (changed.isEmpty() || !m_registered) return;
    QDBusMessage signal = QDBusMessage::createSignal(
        mpris::kObjectPath, mpris::kPropertiesInterface, QStringLiteral("PropertiesChanged"));
    signal << mpris::kPlayerInterface << changed << QStringList();
    m_bus.send(signal);
}
