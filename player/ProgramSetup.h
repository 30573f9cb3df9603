#pragma once

// What the program does around making its application object.

// Before it: settings Qt reads at start, and the playlist store opened on
// another thread while Qt sets itself up.
void prepareProcess();

// Right after it: the program's title (message boxes carry it), version
// and desktop entry.
void setApplicationIdentity();
