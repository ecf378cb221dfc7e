#include "UpdateCommon.h"

#include <QDir>
#include <QTemporaryFile>

namespace tessaly {

float VersionToFloat(const QString& text, const QLocale& locale)
{
    QLocale reading = locale;
    reading.setNumberOptions(reading.numberOptions() | QLocale::RejectGroupSeparator);
    bool ok = false;
    const float value = reading.toFloat(text, &ok);
    return ok ? value : 0.0f;
}

QString MakeTempFileName(const QString& extension)
{
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/TMPXXXXXX") + extension);
    if (!file.open())
        return QString();
    file.setAutoRemove(false);
    const QString path = file.fileName();
    file.close();
    return path;
}

} // namespace tessaly
