#include "ResultsExport.h"

#include <QDir>
#include <QFileDialog>

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
