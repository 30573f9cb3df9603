#pragma once

#include <gtest/gtest.h>

#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

#include "NewHscrollbar.h"
#include "hosting/ControlSite.h"
#include "support/RuntimeFailure.h"
#include "support/TempConfig.h"

// One slider on a host window (inside a test's TempConfig: a new instance
// writes to the settings store), the way a host places it, recording what the
// host is told: the property-changed notifications and the events.
struct SliderHost {
    explicit SliderHost(hosting::PropertyBag bag = hosting::PropertyBag::withExtent(1815, 240),
                        float width = 1815, float height = 240, bool userMode = true) {
        slider = new quillet::NewHscrollbar;
        site = std::make_unique<hosting::ControlSite>(
            &form,
            hosting::ControlDesign{.name = QStringLiteral("vsVolume"),
                                   .width = width,
                                   .height = height,
                                   .userMode = userMode,
                                   .bag = std::move(bag)},
            com::Ptr<com::IUnknown>::adopt(static_cast<hosting::IControl*>(slider)),
            hosting::SiteHandlers{.propertyChanged = [this](const QString& p) { notified << p; },
                                  .event =
                                      [this](com::DispId id, std::span<com::Variant> args) {
                                          record(id, args);
                                          if (onEvent) onEvent(id, args);
                                      }});
    }

    int changes() const { return int(events.count(QStringLiteral("Change"))); }
    void forget() {
        notified.clear();
        events.clear();
    }

    // Each event as one line: its name, then its arguments ("KeyDown 34 1").
    void record(com::DispId id, std::span<com::Variant> args) {
        static const char* const names[] = {"?",        "KeyDown", "KeyUp",
                                            "KeyPress", "Change",  "Scroll"};
        QString line = QString::fromLatin1(names[id >= 1 && id <= 5 ? id : 0]);
        for (const com::Variant& a : args) line += u' ' + a.toString();
        events << line;
    }

    QWidget form;
    quillet::NewHscrollbar* slider = nullptr;  // the site holds the reference
    std::unique_ptr<hosting::ControlSite> site;
    QStringList notified, events;
    // The host's own handler, run after the event is recorded; it may change
    // by-reference arguments.
    std::function<void(com::DispId, std::span<com::Variant>)> onEvent;
};

// A pointer on the thumb, as the thumb's handlers get it: pressed at a place
// inside it, then moved so that the thumb's left edge would go to a place
// along the control (in the thumb's coordinates of the moment).
struct ThumbDrag {
    quillet::NewHscrollbar& s;
    float grab = 60;

    ThumbDrag(quillet::NewHscrollbar& slider, float at = 60) : s(slider), grab(at) {
        s.picCur_MouseDown(1, 0, grab, 90);
    }
    void leftEdgeTo(float left) { s.picCur_MouseMove(1, 0, left - s.picCur.Left() + grab, 90); }
    void release() { s.picCur_MouseUp(1, 0, grab, 90); }
};

// The player's slider in a settings folder of its own.
class SliderTest : public testing::Test {
protected:
    TempConfig config;
    SliderHost host;
    quillet::NewHscrollbar& s = *host.slider;
};
