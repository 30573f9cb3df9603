#pragma once

#include <QObject>

namespace forms {

// Tells whoever watches an object that one of the properties it carries was
// assigned a different value. The notice comes at once, from inside the
// assignment, on the window's thread, and carries nothing: watchers read
// the properties they care about themselves. Connections end by themselves
// when either side goes away.
class ChangeNotifier : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    void notify() { emit changed(); }

signals:
    void changed();
};

}  // namespace forms
