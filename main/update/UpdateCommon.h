#pragma once
// Pieces both the update check and the Updater program use: version numbers
// and temporary files.

#include <QLocale>
#include <QString>

namespace tessaly {

// A version text as a single-precision number, read with the decimal
// separator of the given locale; a text that does not convert counts as 0.
// Group separators are refused, so "1,000" is not read as a thousand.
float VersionToFloat(const QString& text, const QLocale& locale = QLocale::system());

// Creates a new, empty file named "TMP<random><extension>" in the temporary
// folder, exclusively (an existing file or link of that name is never
// reused), and returns its full path; an empty string when no file could be
// created. The caller owns the file and removes it.
QString MakeTempFileName(const QString& extension);

} // namespace tessaly
