#pragma once

#include <QString>

// What the program does around making its application object.

// The program's title, and the id of its installed desktop entry.
inline const QString kProgramName = QStringLiteral("ravelle");
inline const QString kDesktopEntry = QStringLiteral("org.ravelle.Ravelle");
// What tearing down may take once the window has closed.
constexpr int kTeardownLimitMs = 400;

// Before it: settings Qt reads at start, and the playlist store opened on
// another thread while Qt sets itself up.
void prepareProcess();

// Once the window has closed and saved: whatever still runs (a thread
// waiting on a disk, the sound server or the bus; a destructor waiting on
// one of them) may hold the process up this long at most, and it then ends
// with status.
void endWithin(int milliseconds, int status);

// Right after it: the program's title (message boxes carry it), version
// and desktop entry; and the store read ahead goes on to be parsed.
void setApplicationIdentity();
