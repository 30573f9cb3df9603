#include "EventLine.h"

QString eventLine(const QList<hosting::EventDescription>& events, com::DispId id,
                  std::span<const com::Variant> args) {
    const hosting::EventDescription* described = nullptr;
    for (const hosting::EventDescription& e : events)
        if (e.id == id) described = &e;

    QString line = described ? described->name : QStringLiteral("Event%1").arg(id);
    for (size_t i = 0; i < args.size(); ++i) {
        const QString name = described && qsizetype(i) < described->parameters.size()
                                 ? described->parameters[qsizetype(i)]
                                 : QStringLiteral("Arg%1").arg(i + 1);
        line += QStringLiteral(" %1=%2").arg(name, args[i].toString());
    }
    return line;
}
