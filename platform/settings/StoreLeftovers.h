#pragma once

#include <QString>

namespace settings {

// Removes what a save cut short left beside the settings file: its new
// file, never renamed ("<name>.tmp-" and six random characters), and its
// lock. Names the user may have given copies ("<name>.backup") are never
// touched. Only when no running
// copy holds the lock, so a save under way elsewhere keeps its file.
void removeLeftovers(const QString& storePath);

}  // namespace settings
