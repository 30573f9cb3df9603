#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <span>

#include "com/Dispatch.h"
#include "hosting/ControlInterfaces.h"
#include "hosting/PropertyBag.h"

namespace hosting {

// The base of a user control: the UserControl object its code talks to
// (own size in twips, own Enabled, ambient and extender properties,
// property-changed notification, events to the host) and the lifecycle
// notifications it overrides. It answers IControl for its host; a derived
// control adds its own dispatch interface and the IUnknown of the object.
class UserControl : public IControl {
public:
    UserControl(float designWidth, float designHeight);
    virtual ~UserControl();

    // The control's size. Changing it runs UserControl_Resize at once,
    // nested, before the assignment returns; assigning the same size does
    // not.
    float Width() const { return m_width; }
    float Height() const { return m_height; }
    void setWidth(float twips);
    void setHeight(float twips);

    // While false, the control and all its constituents take no pointer or
    // keyboard input, and a pointer capture one of them holds is released.
    // It does not change how anything looks.
    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    // The window the constituents are children of.
    QWidget* window() const { return m_window; }

    // Ambient UserMode: false while the host is a designer. True without a
    // host, as a control running on its own is running.
    bool AmbientUserMode() const;
    // A property the host keeps for this instance; error 398 without a host,
    // 438 for a property the host does not have.
    com::Variant Extender(const QString& property) const;
    // Tells the host that a stored property changed.
    void PropertyChanged(const QString& name);
    // Raises an event of the control's event interface at the host, now: the
    // host's handler runs before this returns and may change by-reference
    // arguments. An error in the host's handler stays with the host.
    void RaiseEvent(com::DispId id, std::span<com::Variant> args = {});

protected:
    // The control's event interface, as its code declares it; hosts ask for
    // it to name the events they receive.
    void declareEvents(QList<EventDescription> events) { m_declaredEvents = std::move(events); }

    virtual void UserControl_InitProperties() {}
    virtual void UserControl_ReadProperties(const PropertyBag& PropBag) { Q_UNUSED(PropBag); }
    virtual void UserControl_WriteProperties(PropertyBag& PropBag) { Q_UNUSED(PropBag); }
    virtual void UserControl_Resize() {}
    virtual void UserControl_Show() {}

public:
    // IControl
    com::HResult SetSite(IControlSite* site) final;
    com::HResult Advise(com::IDispatch* events) final;
    QWidget* Window() final { return m_window; }
    com::HResult InitNew() final;
    com::HResult Load(const PropertyBag& bag) final;
    com::HResult Save(PropertyBag& bag) final;
    com::HResult SetExtent(float width, float height) final;
    com::HResult GetExtent(float* width, float* height) final;
    com::HResult GetEvents(QList<EventDescription>* events) final;

private:
    class OwnWindow;
    void applySize();

    QPointer<QWidget> m_window;
    float m_width, m_height;
    bool m_enabled = true;
    IControlSite* m_site = nullptr;
    com::IDispatch* m_events = nullptr;
    QList<EventDescription> m_declaredEvents;
};

}  // namespace hosting
