#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "com/Dispatch.h"
#include "com/Unknown.h"

class QWidget;

namespace hosting {

class IControlSite;
class PropertyBag;

// One event of a control's event interface, named for a host that binds
// late (a test container listing what a control raises): its dispatch
// identifier, its name and the names of its parameters in order.
struct EventDescription {
    com::DispId id = 0;
    QString name;
    QStringList parameters;
};

// What a host asks of a control beyond its dispatch interface: a window to
// place, the lifecycle of its stored properties, its size, and where to send
// its events. Sizes are twips. A failing call returns the status of the
// runtime error the control raised (com::hr::fromError).
class IControl : public com::IUnknown {
public:
    static constexpr com::Guid iid = com::Guid::parse("{6A1C8E20-4F3B-4D5E-9A7C-2B1D0E3F4A51}");

    // The host's site, or null to detach before the host lets go.
    virtual com::HResult SetSite(IControlSite* site) = 0;
    // The host's sink for the control's event interface, or null.
    virtual com::HResult Advise(com::IDispatch* events) = 0;
    // The control's window; the host parents and places it.
    virtual QWidget* Window() = 0;
    // A brand-new instance (InitProperties) or one loaded from the host's
    // saved properties (ReadProperties); the host then sets the extent.
    virtual com::HResult InitNew() = 0;
    virtual com::HResult Load(const PropertyBag& bag) = 0;
    virtual com::HResult Save(PropertyBag& bag) = 0;
    // Sets the size the host wants and runs Resize, which may keep another
    // size: read it back with GetExtent.
    virtual com::HResult SetExtent(float width, float height) = 0;
    virtual com::HResult GetExtent(float* width, float* height) = 0;
    // The events the control raises at the sink given to Advise.
    virtual com::HResult GetEvents(QList<EventDescription>* events) = 0;

protected:
    ~IControl() = default;
};

// What a control asks of its host. The site belongs to the host, which
// detaches it (SetSite(nullptr)) before it goes; its reference count is
// therefore not what keeps it alive.
class IControlSite : public com::IUnknown {
public:
    static constexpr com::Guid iid = com::Guid::parse("{6A1C8E21-4F3B-4D5E-9A7C-2B1D0E3F4A51}");

    // Ambient UserMode: true while the host runs, false in its designer.
    virtual com::HResult GetAmbientUserMode(bool* userMode) = 0;
    // A property the host keeps for the control ("TabStop", "Visible", ...).
    virtual com::HResult GetExtenderProperty(const QString& name, com::Variant* value) = 0;
    // The control's stored properties must be saved again.
    virtual com::HResult OnPropertyChanged(const QString& name) = 0;
    // The control changed its own size (in Resize, say).
    virtual com::HResult OnExtentChanged(float width, float height) = 0;

protected:
    ~IControlSite() = default;
};

}  // namespace hosting
