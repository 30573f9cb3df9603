#include "EventLine.h"

const hosting::EventDescription* findEvent(const QList<hosting::EventDescription>& events,
                                           com::DispId id) {
    for (const hosting::EventDescription& e : events)
        if (e.id == id) return &e;
    return nullptr;
}

QString eventLine(qint64 sequence, const hosting::EventDescription* event, com::DispId id,
                  std::span<const com::Variant> args, const std::optional<com::Variant>& value) {
    QString line = QStringLiteral("Event %1 %2")
                       .arg(sequence)
                       .arg(event ? event->name : QStringLiteral("Event%1").arg(id));
    for (size_t i = 0; i < args.size(); ++i) {
        const QString name = event && qsizetype(i) < event->parameters.size()
                                 ? event->parameters[qsizetype(i)]
                                 : QStringLiteral("Arg%1").arg(i + 1);
        line += QStringLiteral(" %1=%2").arg(name, args[i].toString());
    }
    if (value) line += QStringLiteral(" Value=%1").arg(value->toString());
    return line;
}
