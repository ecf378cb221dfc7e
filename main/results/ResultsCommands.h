#pragma once
// The commands of the results list's button bar, free of widgets: the main
// window's buttons call them with its model, its selection and itself (as
// pump and message box).
//
// The loops pump messages as they go so the window stays responsive on long
// lists; anything may run inside a pump (the harvest timer appending rows,
// another command). The commands hold on to rows by their ids, not their
// numbers: rows appended meanwhile are not touched, rows removed meanwhile
// are skipped.

#include "HarvestSession.h"
#include "ResultsModel.h"
#include "WindowHost.h"

#include <QItemSelectionModel>
#include <QString>

#include <functional>
#include <string>

namespace tessaly {

using StatusText = std::function<void(const QString&)>;
using UrlOpener = std::function<bool(const std::string&)>;

// Rows handled between two pumps.
inline constexpr int kRowsPerPump = 1000;

// "<n> items", the row counter of panSecondary.
QString ItemsText(int count);

void SelectAll(ResultsModel& model, QItemSelectionModel& selection, IPump& pump, int rowsPerPump = kRowsPerPump);
void ClearSelection(ResultsModel& model, QItemSelectionModel& selection, IPump& pump,
                    int rowsPerPump = kRowsPerPump);

// Asks "Are you sure to delete selected items?"; on OK deletes the rows
// selected at that moment, each giving up its key in session.SeenUrls, then
// writes the row counter with setSecondary.
void DeleteSelected(ResultsModel& model, QItemSelectionModel& selection, HarvestSession& session, IPump& pump,
                    IMessageBox& messages, const StatusText& setSecondary, int rowsPerPump = kRowsPerPump);

// Asks "Are you sure to delete all?"; on OK empties session.SeenUrls and the
// list, then writes the row counter.
void DeleteAll(ResultsModel& model, HarvestSession& session, IPump& pump, IMessageBox& messages,
               const StatusText& setSecondary);

// Opens the Details URL of the topmost selected row with `open`; nothing
// without a selection. Errors are dropped.
void OpenDetails(const ResultsModel& model, const QItemSelectionModel& selection, const UrlOpener& open);

} // namespace tessaly
