#pragma once
// "Export Results" with its save-file dialog, over the export writers.

#include "ExportWriter.h"
#include "ResultsModel.h"
#include "WindowHost.h"

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace tessaly {

// Turns a "description|pattern|description|pattern" filter into Qt's name
// filters (the descriptions, which carry their patterns in parentheses).
QStringList ConvertDialogFilter(const QString& filter);

// The save dialog's filter as the window designer wrote it.
extern const char* const kExportDialogFilter;

// Asks for a file (title "Save file", CSV filter first), writes every row to
// it and sets spExported through `setExported`; a write failure is shown
// with `messages`, naming the file and the reason. `chooseFile` replaces the
// dialog (tests answer it); it returns an empty path on cancel.
void ExportResults(QWidget* parent, const ResultsModel& model, IMessageBox& messages,
                   const std::function<void(const QString&)>& setExported,
                   const std::function<QString(QWidget*)>& chooseFile = {});

} // namespace tessaly
