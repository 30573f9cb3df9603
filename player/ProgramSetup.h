#pragma once

#include <QString>

// What the program does around making its application object.

// The program's title, and the id of its installed desktop entry.
inline const QString kProgramName = QStringLiteral("ravelle");
inline const QString kDesktopEntry = QStringLiteral("org.ravelle.Ravelle");
inline const QString kProgramVersion = QStringLiteral(RAVELLE_VERSION);
// What writing the other settings may take once the window has closed.
constexpr int kTeardownLimitMs = 400;

// Before it: settings Qt reads at start, and the playlist store read and
// parsed on another thread while Qt sets itself up.
void prepareProcess();

// Once the window has closed and saved the playlist, the process ends here
// with status, without tearing anything down. Threads of the player may
// still wait on a disk, the sound server or the bus, one of them inside
// Qt's D-Bus while it joins a slow bus; Qt's teardown at exit would wait for
// them without end, or free what they use under them. Nothing needs tearing
// down: the kernel closes the connections to the X server, the sound server
// and the bus. Settings still pending are written first, within
// kTeardownLimitMs.
[[noreturn]] void endProcess(int status);

// Right after it: the program's title (message boxes carry it), version
// and desktop entry.
void setApplicationIdentity();
