#include "IniFile.h"
#include "ProductInfo.h"
#include "UpdateCommon.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

using tessaly::IniFile;

namespace {

const QByteArray kDescription =
    "\xEF\xBB\xBF; update description\r\n"
    "[Other]\r\n"
    "Version=9.9\r\n"
    "[application]\r\n"
    "  name =  Tessaly  \r\n"
    "VERSION=2.1\r\n"
    "SourcePath=\"dl\\setup.exe\"\r\n"
    "TargetPath='setup.exe'\r\n"
    "Empty=\r\n"
    "List=a,b,c\r\n"
    "Escaped=c:\\new\\table\r\n"
    "Version=3.0\r\n"
    "garbage line without equals\r\n"
    "[APPLICATION]\r\n"
    "Extra=second section of the same name\r\n";

struct IniCase {
    const char* section;
    const char* key;
    const char* expected;
    bool present;
};

TEST(IniFileTest, ReadsKeysWithProfileRules)
{
    const IniFile ini = IniFile::FromText(kDescription);
    const IniCase cases[] = {
        {"APPLICATION", "Version", "2.1", true},   // case-insensitive section, first key wins
        {"Application", "name", "Tessaly", true},  // names and values trimmed
        {"APPLICATION", "SourcePath", "dl\\setup.exe", true},  // quotes stripped, backslash kept
        {"APPLICATION", "TargetPath", "setup.exe", true},
        {"APPLICATION", "Empty", "", true},
        {"APPLICATION", "List", "a,b,c", true},    // not split into a list
        {"APPLICATION", "Escaped", "c:\\new\\table", true},  // no escape decoding
        {"APPLICATION", "Missing", "", false},
        {"APPLICATION", "Extra", "", false},       // only the first section of a name counts
        {"QUORIN", "Version", "", false},
        {"other", "version", "9.9", true},
    };
    for (const IniCase& c : cases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        EXPECT_EQ(ini.ReadString(c.section, c.key).toStdString(), c.expected);
        EXPECT_EQ(ini.HasKey(c.section, c.key), c.present);
    }
}

TEST(IniFileTest, MissingFileReadsEmpty)
{
    const IniFile ini = IniFile::Load(QStringLiteral("/nonexistent/dir/file.inf"));
    EXPECT_FALSE(ini.HasKey("APPLICATION", "Version"));
    EXPECT_EQ(ini.ReadString("APPLICATION", "Version", "fallback"), "fallback");
}

TEST(VersionToFloatTest, ReadsWithTheLocaleDecimalSeparator)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    struct Case {
        const char* text;
        const QLocale* locale;
        float expected;
    };
    const Case cases[] = {
        {"2.02", &english, 2.02f},
        {"2.020", &english, 2.02f},
        {" 2.1 ", &english, 2.1f},
        {"3", &english, 3.0f},
        {"", &english, 0.0f},
        {"two", &english, 0.0f},
        {"2.02beta", &english, 0.0f},
        {"1,000", &english, 0.0f},   // a group separator is not part of a version
        {"2.02", &german, 0.0f},     // a point does not convert where the separator is a comma
        {"2,02", &german, 2.02f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " in " + c.locale->name().toStdString());
        EXPECT_EQ(tessaly::VersionToFloat(QString::fromLatin1(c.text), *c.locale), c.expected);
    }
}

TEST(MakeTempFileNameTest, CreatesUniqueFilesInTheTemporaryFolder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray saved = qgetenv("TMPDIR");
    qputenv("TMPDIR", dir.path().toUtf8());
    const QString first = tessaly::MakeTempFileName(".inf");
    const QString second = tessaly::MakeTempFileName(".inf");
    qputenv("TMPDIR", saved);

    for (const QString& path : {first, second}) {
        const QFileInfo info(path);
        EXPECT_TRUE(info.isFile()) << path.toStdString();
        EXPECT_EQ(info.size(), 0);
        EXPECT_EQ(info.absolutePath(), QDir(dir.path()).absolutePath());
        EXPECT_TRUE(info.fileName().startsWith("TMP"));
        EXPECT_TRUE(info.fileName().endsWith(".inf"));
    }
    EXPECT_NE(first, second);
}

TEST(UpdateBaseUrlTest, EnvironmentOverridesTheBuiltInAddress)
{
    const QByteArray saved = qgetenv("TESSALY_UPDATE_URL");
    qunsetenv("TESSALY_UPDATE_URL");
    const std::string builtIn = tessaly::UpdateBaseUrl();
    EXPECT_FALSE(builtIn.empty());
    EXPECT_EQ(builtIn.back(), '/');
    qputenv("TESSALY_UPDATE_URL", "http://127.0.0.1:1/staging/");
    EXPECT_EQ(tessaly::UpdateBaseUrl(), "http://127.0.0.1:1/staging/");
    qputenv("TESSALY_UPDATE_URL", "");
    EXPECT_EQ(tessaly::UpdateBaseUrl(), builtIn);
    if (saved.isNull())
        qunsetenv("TESSALY_UPDATE_URL");
    else
        qputenv("TESSALY_UPDATE_URL", saved);
}

} // namespace
