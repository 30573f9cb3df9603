#pragma once

#include <QStringList>
#include <QWidget>
#include <memory>

#include "NewHscrollbar.h"
#include "hosting/ControlSite.h"
#include "support/TempConfig.h"

// One slider on a host window (inside a test's TempConfig: a new instance
// writes to the settings store), the way a host places it, recording what the
// host is told: the property-changed notifications and the events.
struct SliderHost {
    explicit SliderHost(hosting::PropertyBag bag = hosting::PropertyBag::withExtent(1815, 240),
                        float width = 1815, float height = 240, bool userMode = true) {
        slider = new quillet::NewHscrollbar;
        const hosting::ControlDesign design{.name = QStringLiteral("vsVolume"),
                                            .width = width,
                                            .height = height,
                                            .userMode = userMode,
                                            .bag = std::move(bag)};
        site = std::make_unique<hosting::ControlSite>(
            &form, design, com::Ptr<com::IUnknown>::adopt(static_cast<hosting::IControl*>(slider)),
            hosting::SiteHandlers{.propertyChanged = [this](const QString& p) { notified << p; },
                                  .event =
                                      [this](com::DispId id, std::span<com::Variant>) {
                                          if (id == quillet::eventid::Change) ++changes;
                                      }});
    }

    int valueNotices() const { return int(notified.count(QStringLiteral("Value"))); }
    void forget() {
        notified.clear();
        changes = 0;
    }

    QWidget form;
    quillet::NewHscrollbar* slider = nullptr;  // the site holds the reference
    std::unique_ptr<hosting::ControlSite> site;
    QStringList notified;
    int changes = 0;
};

inline int errorOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const forms::RuntimeError& e) {
        return e.number();
    }
    return 0;
}

inline hosting::PropertyBag savedBag(
    std::initializer_list<std::pair<const char*, com::Variant>> values) {
    hosting::PropertyBag bag = hosting::PropertyBag::withExtent(1815, 240);
    for (const auto& [name, value] : values) bag.WriteProperty(QString::fromUtf8(name), value);
    return bag;
}
