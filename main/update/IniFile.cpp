#include "IniFile.h"

#include <QFile>

namespace tessaly {

namespace {

bool SameName(const QString& a, const QString& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x >= 'a' && x <= 'z') x -= 32;
        if (y >= 'a' && y <= 'z') y -= 32;
        if (x != y)
            return false;
    }
    return true;
}

QString Unquote(QString value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

} // namespace

IniFile IniFile::FromText(const QByteArray& raw)
{
    IniFile ini;
    QByteArray text = raw;
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    Section* current = nullptr;
    const QList<QByteArray> lines = text.split('\n');
    for (const QByteArray& rawLine : lines) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            if (close < 0)
                continue;
            ini.sections_.append(Section{line.mid(1, close - 1).trimmed(), {}});
            current = &ini.sections_.last();
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (current == nullptr || eq <= 0)
            continue;
        current->entries.append(Entry{line.left(eq).trimmed(), Unquote(line.mid(eq + 1).trimmed())});
    }
    return ini;
}

IniFile IniFile::Load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return IniFile();
    return FromText(file.readAll());
}

const IniFile::Entry* IniFile::Find(const QString& section, const QString& key) const
{
    for (const Section& s : sections_) {
        if (!SameName(s.name, section))
            continue;
        for (const Entry& e : s.entries)
            if (SameName(e.key, key))
                return &e;
        // Only the first section of that name counts, as with the
        // platform's profile functions.
        return nullptr;
    }
    return nullptr;
}

bool IniFile::HasKey(const QString& section, const QString& key) const
{
    return Find(section, key) != nullptr;
}

QString IniFile::ReadString(const QString& section, const QString& key, const QString& fallback) const
{
    const Entry* e = Find(section, key);
    return e ? e->value : fallback;
}

} // namespace tessaly
