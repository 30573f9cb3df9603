#pragma once

#include <QList>
#include <QString>
#include <span>

#include "com/Variant.h"
#include "hosting/ControlInterfaces.h"

// One event a control raised, as one line of text: its name, then each
// argument as Name=value ("KeyDown KeyCode=34 Shift=0"). An event the
// control did not describe is named by its number ("Event7 Arg1=3").
QString eventLine(const QList<hosting::EventDescription>& events, com::DispId id,
                  std::span<const com::Variant> args);
