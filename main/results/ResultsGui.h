#pragma once
// The widget side of the results list: the list view's settings and the
// "Export Results" command with its save-file dialog.

#include "ResultsModel.h"
#include "WindowHost.h"

#include <QString>
#include <QStringList>

#include <functional>

class QTableView;
class QWidget;

namespace tessaly {

// Report view with a header, several whole rows selectable, selection kept
// visible without focus, no editing, grid lines, eight columns of 120 pixels.
void SetupResultsView(QTableView* view, ResultsModel* model);

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
