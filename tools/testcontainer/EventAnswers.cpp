#include "EventAnswers.h"

void EventAnswers::add(const QString& event, const QString& parameter, int16_t value) {
    for (Answer& a : m_answers) {
        if (a.event.compare(event, Qt::CaseInsensitive) == 0 &&
            a.parameter.compare(parameter, Qt::CaseInsensitive) == 0) {
            a.value = value;
            return;
        }
    }
    m_answers.append({event, parameter, value});
}

void EventAnswers::clear(const QString& event) {
    m_answers.removeIf(
        [&](const Answer& a) { return a.event.compare(event, Qt::CaseInsensitive) == 0; });
}

void EventAnswers::apply(const hosting::EventDescription* event,
                         std::span<com::Variant> args) const {
    if (!event) return;
    for (const Answer& a : m_answers) {
        if (a.event.compare(event->name, Qt::CaseInsensitive) != 0) continue;
        for (size_t i = 0; i < args.size() && qsizetype(i) < event->parameters.size(); ++i) {
            if (event->parameters[qsizetype(i)].compare(a.parameter, Qt::CaseInsensitive) != 0)
                continue;
            if (int16_t* target = args[i].refInt16()) *target = a.value;
        }
    }
}
