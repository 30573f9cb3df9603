#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <span>

#include "com/Dispatch.h"
#include "forms/TwipsPlaced.h"
#include "hosting/ControlInterfaces.h"
#include "hosting/PropertyBag.h"

class QWidget;

namespace hosting {

// How a window's design data places one user control.
struct ControlDesign {
    QString name;
    QString progId;
    float left = 0, top = 0, width = 0, height = 0;
    bool visible = true;
    bool tabStop = true;
    // The host's mode as the control starts: run mode, or a designer.
    bool userMode = true;
    // What the instance saved the last time its host was saved: at least its
    // extent ("_ExtentX", "_ExtentY"), so a saved instance is never empty.
    // An empty bag places a brand-new instance (InitProperties); otherwise
    // the instance loads from the bag (ReadProperties). Either way it is
    // then sized to width x height, which runs its Resize.
    PropertyBag bag;
};

// The host's handlers of a control's notifications. They run synchronously,
// inside the control's call, from the moment it is created (a load that
// clamps a value raises Change already). An error escaping an event handler
// goes to the last-resort handler; the control goes on.
struct SiteHandlers {
    std::function<void(const QString& property)> propertyChanged;
    std::function<void(com::DispId id, std::span<com::Variant> args)> event;
};

// The host's side of one control on a window: creates the instance, places
// its window in twips, keeps the extender properties (name, Left, Top,
// Visible, TabStop) and the ambient UserMode, receives its notifications and
// events, and reaches its properties by dispatch identifier.
//
// The player's hidden volume slider, as Form1 places it:
//
//   hosting::ControlSite vsVolume{this, {.name = QStringLiteral("vsVolume"),
//                                        .progId = QStringLiteral("工程1.NewHscrollbar"),
//                                        .left = 1440, .top = 360,
//                                        .width = 1815, .height = 240,
//                                        .visible = false,
//                                        .bag = hosting::PropertyBag::withExtent(1815, 240)}};
//   vsVolume.put(1745027073, com::Variant(int32_t(v)));     // Value
//   const int32_t w = vsVolume.get(1745027073).toInt32();
//
// The bag holds only the size, so the slider loads (ReadProperties) with
// every property at its default. A put or get that fails raises the
// control's runtime error (6 overflow, ...) in the caller.
class ControlSite final : public IControlSite, public forms::TwipsPlaced {
public:
    // Creates the instance by its programmatic identifier. Raises runtime
    // error 429 naming the identifier when it cannot be created, and the
    // control's own error when it fails to initialise, load or size itself;
    // nothing is left behind then.
    ControlSite(QWidget* parent, const ControlDesign& design, SiteHandlers handlers = {});
    // Hosts an instance created some other way.
    ControlSite(QWidget* parent, const ControlDesign& design, com::Ptr<com::IUnknown> instance,
                SiteHandlers handlers = {});
    // Releases the instance, then unloads its library if nothing of it is
    // alive any more.
    ~ControlSite() override;
    ControlSite(const ControlSite&) = delete;
    ControlSite& operator=(const ControlSite&) = delete;

    const QString& Name() const { return m_name; }
    // The control may keep another size than asked for: read it back.
    void Move(float left, float top, float width, float height) override;
    bool Visible() const { return m_visible; }
    void setVisible(bool visible);
    bool TabStop() const { return m_tabStop; }
    void setTabStop(bool tabStop) { m_tabStop = tabStop; }
    // Ambient UserMode the control sees: true at run time, false in a
    // designer.
    bool UserMode() const { return m_userMode; }
    void setUserMode(bool userMode) { m_userMode = userMode; }

    // A property of the control by dispatch identifier.
    com::Variant get(com::DispId id) const;
    void put(com::DispId id, const com::Variant& value);
    com::IDispatch* object() const { return m_dispatch.get(); }
    // The events the control raises, named, with their parameters.
    QList<EventDescription> events() const;
    QWidget* window() const;

    // The instance's properties as the host stores them, with its extent.
    PropertyBag save();

    SiteHandlers handlers;

    // IControlSite. The site belongs to its host: counting references to it
    // does not keep it alive.
    com::HResult QueryInterface(const com::Guid& iid, void** out) override;
    uint32_t AddRef() override { return 1; }
    uint32_t Release() override { return 1; }
    com::HResult GetAmbientUserMode(bool* userMode) override;
    com::HResult GetExtenderProperty(const QString& name, com::Variant* value) override;
    com::HResult OnPropertyChanged(const QString& name) override;
    com::HResult OnExtentChanged(float width, float height) override;

private:
    class EventSink;
    void attach(QWidget* parent, const ControlDesign& design, com::Ptr<com::IUnknown> instance);
    void detach();
    void applyGeometry() override;

    QString m_name;
    bool m_visible = true;
    bool m_tabStop = true;
    bool m_userMode = true;
    com::Ptr<IControl> m_control;
    com::Ptr<com::IDispatch> m_dispatch;
    std::unique_ptr<EventSink> m_events;
};

}  // namespace hosting
