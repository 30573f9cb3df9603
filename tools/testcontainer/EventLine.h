#pragma once

#include <QList>
#include <QString>
#include <optional>
#include <span>

#include "com/Variant.h"
#include "hosting/ControlInterfaces.h"

// The description of event id among a control's events, or null.
const hosting::EventDescription* findEvent(const QList<hosting::EventDescription>& events,
                                           com::DispId id);

// One event a control raised, as one line of text: "Event", its sequence
// number, its name, each argument as Name=value as the host's handler left
// it, and last the control's Value at that moment when it has one:
//
//   Event 7 KeyDown KeyCode=34 Shift=0 Value=1
//
// An event the control did not describe is named by its number
// ("Event 8 Event7 Arg1=3").
QString eventLine(qint64 sequence, const hosting::EventDescription* event, com::DispId id,
                  std::span<const com::Variant> args, const std::optional<com::Variant>& value);
