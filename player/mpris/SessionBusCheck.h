#pragma once

#include <QDBusConnection>
#include <string>

// Whether the session bus answers at all, asked before the application
// object exists. Qt's accessibility bridge and the bus library connect to
// the session bus on the window's thread and wait, without a limit, for its
// greeting: a bus that takes connections and never answers (a daemon that
// hangs, a stale address kept by a terminal multiplexer whose socket some
// process still holds) would keep the window from ever showing.
//
// Plain sockets and the C library only, so it runs before any thread and
// before Qt.

enum class SessionBus {
    Answers,  // it greeted us back (or we cannot tell: an address we do not dial)
    Absent,   // nothing named, or nothing listening where it is named
    Silent,   // it took the connection and said nothing in time
};

struct SessionBusFound {
    SessionBus state = SessionBus::Absent;
    std::string address;  // the address asked, as the environment gives it
};

// Dials the session bus the way the bus library would (the address in
// DBUS_SESSION_BUS_ADDRESS, each of its ';'-separated choices in turn, or the
// socket "bus" in XDG_RUNTIME_DIR) and waits at most limitMs for the answer
// to its first line of authentication.
SessionBusFound checkSessionBus(int limitMs);

// Before the application object: a bus that does not answer is hidden from
// everything in this process for this run (the address becomes "disabled:",
// which the bus libraries refuse at once), and standard error says why.
// The next start asks again.
void hideSilentSessionBus(int limitMs = 500);

// True when the session bus was hidden, or named "disabled:" by the session.
bool sessionBusDisabled();

// The session bus the program joins on the window's thread, once the look
// above found it answering; not connected when there is none to join (none
// named and no socket where the bus library looks, or one hidden).
QDBusConnection joinSessionBus();
