#pragma once
// A read-only INI reader with the rules update descriptions were written for:
// section and key names match without regard to ASCII letter case, the first
// matching section and key win, values are trimmed and lose one pair of
// enclosing quotes, and a missing key reads as empty. QSettings is not used
// because its IniFormat is case-sensitive and rewrites values (commas become
// lists, backslash escapes are decoded).

#include <QByteArray>
#include <QList>
#include <QString>

namespace tessaly {

class IniFile {
public:
    IniFile() = default;
    static IniFile FromText(const QByteArray& text);
    // A file that cannot be read gives an empty IniFile.
    static IniFile Load(const QString& path);

    bool HasKey(const QString& section, const QString& key) const;
    QString ReadString(const QString& section, const QString& key,
                       const QString& fallback = QString()) const;

private:
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        QList<Entry> entries;
    };
    const Entry* Find(const QString& section, const QString& key) const;

    QList<Section> sections_;
};

} // namespace tessaly
