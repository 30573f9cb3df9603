#pragma once

#include <QString>

// What the program does around making its application object.

// The program's title, and the id of its installed desktop entry.
inline const QString kProgramName = QStringLiteral("ravelle");
inline const QString kDesktopEntry = QStringLiteral("org.ravelle.Ravelle");

// Before it: settings Qt reads at start, and the playlist store opened on
// another thread while Qt sets itself up.
void prepareProcess();

// Right after it: the program's title (message boxes carry it), version
// and desktop entry; and the store read ahead goes on to be parsed.
void setApplicationIdentity();
