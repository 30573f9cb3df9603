#include "hosting/ControlSite.h"

#include <QWidget>

#include "com/CreateObject.h"
#include "errors/EventDispatch.h"
#include "errors/RuntimeError.h"
#include "forms/Twips.h"

namespace hosting {

namespace {
void raiseFailure(com::HResult status) {
    if (com::hr::succeeded(status)) return;
    const int number = com::hr::errorNumber(status);
    errors::raiseError(number ? number : errors::InvalidProcedureCall);
}
}  // namespace

// Receives the control's events and hands them to the host's handler.
class ControlSite::EventSink final : public com::IDispatch {
public:
    explicit EventSink(ControlSite& site) : m_site(site) {}

    com::HResult QueryInterface(const com::Guid& iid, void** out) override {
        if (!out) return com::hr::Pointer;
        *out = nullptr;
        if (iid != com::IUnknown::iid && iid != com::IDispatch::iid) return com::hr::NoInterface;
        *out = static_cast<com::IDispatch*>(this);
        return com::hr::Ok;
    }
    uint32_t AddRef() override { return 1; }
    uint32_t Release() override { return 1; }
    com::HResult GetIDOfName(const QString&, com::DispId*) override { return com::hr::UnknownName; }
    com::HResult Invoke(com::DispId id, com::InvokeKind, std::span<com::Variant> args,
                        com::Variant*, com::ExcepInfo*) override {
        if (m_site.handlers.event) errors::dispatch([&] { m_site.handlers.event(id, args); });
        return com::hr::Ok;
    }

private:
    ControlSite& m_site;
};

ControlSite::ControlSite(QWidget* parent, const ControlDesign& design, SiteHandlers handlers)
    : handlers(std::move(handlers)) {
    attach(parent, design, com::createObject(design.progId));
}

ControlSite::ControlSite(QWidget* parent, const ControlDesign& design,
                         com::Ptr<com::IUnknown> instance, SiteHandlers handlers)
    : handlers(std::move(handlers)) {
    attach(parent, design, std::move(instance));
}

void ControlSite::attach(QWidget* parent, const ControlDesign& design,
                         com::Ptr<com::IUnknown> instance) {
    m_name = design.name;
    m_place.left = design.left;
    m_place.top = design.top;
    m_visible = design.visible;
    m_tabStop = design.tabStop;
    m_userMode = design.userMode;
    m_control = instance.query<IControl>();
    m_dispatch = instance.query<com::IDispatch>();
    instance.reset();
    if (!m_control || !m_dispatch) {
        m_control.reset();
        m_dispatch.reset();
        com::freeUnusedLibraries();
        errors::raiseError(errors::CannotCreateObject,
                           QStringLiteral("%1 不是可以放在窗体上的控件").arg(design.progId));
    }
    m_events = std::make_unique<EventSink>(*this);
    m_control->SetSite(this);
    m_control->Advise(m_events.get());

    QWidget* own = m_control->Window();
    own->setParent(parent);
    own->setObjectName(m_name);
    try {
        raiseFailure(design.bag.isEmpty() ? m_control->InitNew() : m_control->Load(design.bag));
        raiseFailure(m_control->SetExtent(design.width, design.height));
    } catch (const errors::RuntimeError&) {
        detach();
        throw;
    }
    m_control->GetExtent(&m_place.width, &m_place.height);
    applyGeometry();
    own->setVisible(m_visible);
}

ControlSite::~ControlSite() { detach(); }

void ControlSite::detach() {
    if (!m_control) return;
    m_control->Advise(nullptr);
    m_control->SetSite(nullptr);
    m_dispatch.reset();
    m_control.reset();
    com::freeUnusedLibraries();
}

QWidget* ControlSite::window() const { return m_control ? m_control->Window() : nullptr; }

void ControlSite::applyGeometry() {
    QWidget* own = window();
    if (!own) return;
    own->setGeometry(m_place.pixels());
}

void ControlSite::Move(float left, float top, float width, float height) {
    m_place.left = left;
    m_place.top = top;
    const com::HResult status = m_control->SetExtent(width, height);
    m_control->GetExtent(&m_place.width, &m_place.height);
    applyGeometry();
    raiseFailure(status);
}

void ControlSite::setVisible(bool visible) {
    m_visible = visible;
    if (QWidget* own = window()) own->setVisible(visible);
}

com::Variant ControlSite::get(com::DispId id) const { return com::getProperty(*m_dispatch, id); }

void ControlSite::put(com::DispId id, const com::Variant& value) {
    com::putProperty(*m_dispatch, id, value);
}

QList<EventDescription> ControlSite::events() const {
    QList<EventDescription> out;
    if (m_control) m_control->GetEvents(&out);
    return out;
}

PropertyBag ControlSite::save() {
    PropertyBag bag = PropertyBag::withExtent(m_place.width, m_place.height);
    raiseFailure(m_control->Save(bag));
    return bag;
}

com::HResult ControlSite::QueryInterface(const com::Guid& iid, void** out) {
    if (!out) return com::hr::Pointer;
    *out = nullptr;
    if (iid != com::IUnknown::iid && iid != IControlSite::iid) return com::hr::NoInterface;
    *out = static_cast<IControlSite*>(this);
    return com::hr::Ok;
}

com::HResult ControlSite::GetAmbientUserMode(bool* userMode) {
    if (!userMode) return com::hr::Pointer;
    *userMode = m_userMode;
    return com::hr::Ok;
}

com::HResult ControlSite::GetExtenderProperty(const QString& name, com::Variant* value) {
    if (!value) return com::hr::Pointer;
    if (name == u"TabStop")
        *value = com::Variant(m_tabStop);
    else if (name == u"Visible")
        *value = com::Variant(m_visible);
    else if (name == u"Name")
        *value = com::Variant(m_name);
    else if (name == u"Left")
        *value = com::Variant(m_place.left);
    else if (name == u"Top")
        *value = com::Variant(m_place.top);
    else if (name == u"Width")
        *value = com::Variant(m_place.width);
    else if (name == u"Height")
        *value = com::Variant(m_place.height);
    else
        return com::hr::MemberNotFound;
    return com::hr::Ok;
}

com::HResult ControlSite::OnPropertyChanged(const QString& name) {
    if (handlers.propertyChanged) handlers.propertyChanged(name);
    return com::hr::Ok;
}

com::HResult ControlSite::OnExtentChanged(float width, float height) {
    m_place.width = width;
    m_place.height = height;
    applyGeometry();
    return com::hr::Ok;
}

}  // namespace hosting
