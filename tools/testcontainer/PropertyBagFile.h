#pragma once

#include <QString>
#include <optional>

#include "hosting/PropertyBag.h"

// A control's property bag kept in a plain text file, one value a line:
//
//   _ExtentX = R4:1815
//   Min = I4:50
//   Enabled = Bool:False
//   Caption = Str:two\nlines
//
// Types: I2, I4, R4, R8, Bool, Str (with \n and \\ escaped). Blank lines and
// lines starting with # are skipped.
bool writeBagFile(const hosting::PropertyBag& bag, const QString& path, QString* error);
// The bag in the file, or nothing and why: a file that cannot be read or a
// line that is not a value names the line.
std::optional<hosting::PropertyBag> readBagFile(const QString& path, QString* error);
