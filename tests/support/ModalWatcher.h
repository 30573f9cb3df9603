#pragma once

#include <QString>
#include <QStringList>
#include <QTimer>

// Answers every modal message box that opens while it lives, recording its
// title and text, so a test can run code that shows one.
class ModalWatcher {
public:
    ModalWatcher();

    struct Seen {
        QString title;
        QString text;
        bool hasIcon;
    };
    const QList<Seen>& seen() const { return m_seen; }

private:
    void poll();

    QTimer m_timer;
    QList<Seen> m_seen;
};
