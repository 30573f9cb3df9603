#pragma once

#include <QString>

// Why the playlist could not be saved when a logout closed the program,
// kept beside the store ("ravelle.ini.unsaved") for the next start to tell:
// at the time nobody was there to read a box.
void leaveUnsavedNote(const QString& reason);
// The note of an earlier run, removed once read; empty when there is none.
QString takeUnsavedNote();
