#pragma once

// Names the running program: its title (message boxes carry it), version
// and desktop entry. Called once, right after the application object is
// made.
void setApplicationIdentity();
