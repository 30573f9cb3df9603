#pragma once

#include <QList>
#include <QString>
#include <span>

#include "com/Variant.h"
#include "hosting/ControlInterfaces.h"

// The host's answers to a control's events: "when KeyDown is raised, set its
// KeyCode to 0", so a script can play a host that cancels a key. An answer
// changes a by-reference parameter before the host reports the event.
class EventAnswers {
public:
    void add(const QString& event, const QString& parameter, int16_t value);
    // Forgets every answer to event.
    void clear(const QString& event);

    // Applies the answers to an event the control raised, described by
    // event (null when the control did not describe it).
    void apply(const hosting::EventDescription* event, std::span<com::Variant> args) const;

private:
    struct Answer {
        QString event, parameter;
        int16_t value;
    };
    QList<Answer> m_answers;
};
