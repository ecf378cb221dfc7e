#include "ResultsGui.h"

#include "ExportWriter.h"

#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QTableView>

namespace tessaly {

const char* const kExportDialogFilter = "Comma delimitted files(*.csv)|*.csv|All files(*.*)|*.*";

namespace {

QString AskExportFile(QWidget* parent)
{
    QFileDialog dialog(parent, QStringLiteral("Save file"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = ConvertDialogFilter(QString::fromLatin1(kExportDialogFilter));
    dialog.setNameFilters(filters);
    if (!filters.isEmpty())
        dialog.selectNameFilter(filters.first());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

} // namespace

void SetupResultsView(QTableView* view, ResultsModel* model)
{
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setShowGrid(true);
    view->setWordWrap(false);
    view->verticalHeader()->setVisible(false);
    // Fixed row heights: measuring rows one by one does not scale to long lists.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->horizontalHeader()->setDefaultSectionSize(120);
    view->horizontalHeader()->setStretchLastSection(false);
    // The highlight stays the same colour when the list loses focus.
    QPalette palette = view->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    view->setPalette(palette);
}

QStringList ConvertDialogFilter(const QString& filter)
{
    QStringList out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        if (!parts[i].isEmpty())
            out << parts[i];
    }
    return out;
}

void ExportResults(QWidget* parent, const ResultsModel& model, IMessageBox& messages,
                   const std::function<void(const QString&)>& setExported,
                   const std::function<QString(QWidget*)>& chooseFile)
{
    const QString path = chooseFile ? chooseFile(parent) : AskExportFile(parent);
    if (path.isEmpty())
        return;
    QString reason;
    if (!WriteExportFile(path, model, &reason)) {
        messages.Show(QStringLiteral("The results could not be exported to %1: %2")
                          .arg(QDir::toNativeSeparators(path), reason),
                      IMessageBox::Warning, IMessageBox::Ok);
        return;
    }
    if (setExported)
        setExported(ExportedText(model.Count()));
}

} // namespace tessaly
