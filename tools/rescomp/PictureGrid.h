#pragma once

#include <QImage>
#include <QString>

// Reads a small palette picture drawn as text, one statement a line:
//
//   colour <character> <RRGGBB>     a palette entry, in palette order
//   row <characters>                one row of pixels, top row first
//
// Every row is as wide as the first and uses only characters the palette
// names (not # " ( ) , * { or blanks). Throws ScriptError.
QImage readPictureGrid(const QString& path);
