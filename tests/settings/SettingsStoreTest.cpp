#include "SettingsStore.h"
#include "UUtils.h"

#include "FileSizeLimit.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <csignal>
#include <map>
#include <string>

#include <sys/resource.h>
#include <sys/stat.h>

using namespace tessaly;

using tessaly::testing::FileSizeLimit;

namespace {

const char* const kKeys[] = {"rUseProxy", "rNoProxy", "rAuthentification", "eHost", "ePort",
                             "eUserName", "ePassword", "cExportManually", "cExportAutomatic", "eExportFolder"};

std::string Line(const std::string& key, const std::string& value)
{
    return "<%%" + key + "%%>" + value + "<%%/" + key + "%%>\r\n";
}

// A file in the stored order; keys missing from `values` are left out.
std::string FileText(const std::map<std::string, std::string>& values)
{
    std::string text;
    for (const char* key : kKeys) {
        auto it = values.find(key);
        if (it != values.end())
            text += Line(key, it->second);
    }
    return text;
}

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        path_ = dir_.filePath("settings.dat").toStdString();
    }
    void Write(const std::string& bytes)
    {
        QFile f(QString::fromStdString(path_));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes.data(), qint64(bytes.size()));
    }
    std::string Read() const
    {
        QFile f(QString::fromStdString(path_));
        if (!f.open(QIODevice::ReadOnly))
            return "<unreadable>";
        return f.readAll().toStdString();
    }
    AppSettings Load()
    {
        AppSettings s;
        LoadSettings(s, path_);
        return s;
    }

    QTemporaryDir dir_;
    std::string path_;
};

TEST_F(SettingsStoreTest, WithoutFileTheDefaultsApplyAndNoFileIsCreated)
{
    AppSettings s;
    s.UseProxy = true;  // a record that held other values is reset
    s.Host = "old";
    LoadSettings(s, path_);
    EXPECT_FALSE(s.UseProxy);
    EXPECT_TRUE(s.NoProxy);
    EXPECT_FALSE(s.Authentification);
    EXPECT_EQ(s.Host, "");
    EXPECT_EQ(s.Port, "");
    EXPECT_EQ(s.UserName, "");
    EXPECT_EQ(s.Password, "");
    EXPECT_TRUE(s.ExportManually);
    EXPECT_FALSE(s.ExportAutomatic);
    EXPECT_EQ(s.ExportFolder, GetMyDocumentsFolder());
    EXPECT_EQ(ModeText(s), "Mode: Manual Export");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path_)));
}

TEST_F(SettingsStoreTest, ModeTextFollowsExportManually)
{
    AppSettings s;
    s.ExportManually = false;
    s.ExportAutomatic = false;  // the automatic flag plays no part
    EXPECT_EQ(ModeText(s), "Mode: Automatic Export");
    s.ExportManually = true;
    s.ExportAutomatic = true;
    EXPECT_EQ(ModeText(s), "Mode: Manual Export");
}

struct FlagCase {
    std::string value;
    bool authentification;  // fallback false
    bool exportManually;    // fallback true
};

TEST_F(SettingsStoreTest, FlagValuesConvertOrTakeTheFieldsFallback)
{
    const QString point = QLocale::system().decimalPoint();
    const std::string sep = point.toStdString();
    const std::string otherSep = sep == "." ? "," : ".";
    const FlagCase cases[] = {
        {"-1", true, true},
        {"0", false, false},
        {"1", true, true},
        {"2", true, true},
        {"-7", true, true},
        {"00", false, false},
        {"1" + sep + "5", true, true},
        {"0" + sep + "0", false, false},
        {"0" + sep + "01", true, true},
        {"1E3", true, true},
        {"True", true, true},
        {"tRUE", true, true},
        {"TRUE", true, true},
        {"False", false, false},
        {"fALSE", false, false},
        {"", false, true},
        {"yes", false, true},
        {"junk", false, true},
        {"1" + otherSep + "5", false, true},
        {"-", false, true},
        {"1e", false, true},
        {"True1", false, true},
    };
    for (const FlagCase& c : cases) {
        Write(FileText({{"rAuthentification", c.value}, {"cExportManually", c.value}}));
        const AppSettings s = Load();
        EXPECT_EQ(s.Authentification, c.authentification) << "value '" << c.value << "'";
        EXPECT_EQ(s.ExportManually, c.exportManually) << "value '" << c.value << "'";
    }
}

TEST_F(SettingsStoreTest, NoProxyIsForcedTrueOnlyWithoutProxy)
{
    struct Case {
        std::string useProxy, noProxy;
        bool expectUse, expectNo;
    } cases[] = {
        {"0", "0", false, true},
        {"-1", "-1", true, true},
        {"-1", "0", true, false},
        {"junk", "junk", false, true},
        {"-1", "junk", true, false},
    };
    for (const Case& c : cases) {
        Write(FileText({{"rUseProxy", c.useProxy}, {"rNoProxy", c.noProxy}}));
        const AppSettings s = Load();
        EXPECT_EQ(s.UseProxy, c.expectUse) << c.useProxy << "/" << c.noProxy;
        EXPECT_EQ(s.NoProxy, c.expectNo) << c.useProxy << "/" << c.noProxy;
    }
}

TEST_F(SettingsStoreTest, BlankExportFolderBecomesTheDocumentsFolderOthersStayUntrimmed)
{
    struct Case {
        std::string stored, expected;
    } cases[] = {
        {"   ", GetMyDocumentsFolder()},
        {"", GetMyDocumentsFolder()},
        {"\t \x01", GetMyDocumentsFolder()},
        {" /data/leads", " /data/leads"},
        {"/data/leads ", "/data/leads "},
    };
    for (const Case& c : cases) {
        Write(FileText({{"eExportFolder", c.stored}}));
        EXPECT_EQ(Load().ExportFolder, c.expected) << "'" << c.stored << "'";
    }
}

TEST_F(SettingsStoreTest, TagsMatchInAnyLetterCase)
{
    Write("<%%RUSEPROXY%%>-1<%%/RUSEPROXY%%>\r\n<%%EHOST%%>proxy.example<%%/ehost%%>\r\n"
          "<%%ePort%%>3128<%%/EPORT%%>\r\n");
    const AppSettings s = Load();
    EXPECT_TRUE(s.UseProxy);
    EXPECT_EQ(s.Host, "proxy.example");
    EXPECT_EQ(s.Port, "3128");
}

TEST_F(SettingsStoreTest, AKeyStoredBeforeOneReadEarlierIsLost)
{
    // The folder line first: the cursor has passed it by the time the folder
    // is read, so only the folder falls back.
    const std::string all = FileText({{"rUseProxy", "-1"},
                                      {"rNoProxy", "0"},
                                      {"rAuthentification", "-1"},
                                      {"eHost", "h"},
                                      {"ePort", "8080"},
                                      {"eUserName", "u"},
                                      {"ePassword", "p"},
                                      {"cExportManually", "0"},
                                      {"cExportAutomatic", "-1"}});
    Write(Line("eExportFolder", "/srv/out") + all);
    const AppSettings s = Load();
    EXPECT_EQ(s.ExportFolder, GetMyDocumentsFolder());
    EXPECT_TRUE(s.UseProxy);
    EXPECT_FALSE(s.NoProxy);
    EXPECT_TRUE(s.Authentification);
    EXPECT_EQ(s.Host, "h");
    EXPECT_EQ(s.Port, "8080");
    EXPECT_EQ(s.UserName, "u");
    EXPECT_EQ(s.Password, "p");
    EXPECT_FALSE(s.ExportManually);
    EXPECT_TRUE(s.ExportAutomatic);

    // Host after port: port is read, host is not.
    Write(Line("ePort", "81") + Line("eHost", "late"));
    const AppSettings t = Load();
    EXPECT_EQ(t.Host, "late");
    EXPECT_EQ(t.Port, "");
}

TEST_F(SettingsStoreTest, MissingEndTagGivesAnEmptyValueAndReadingGoesOn)
{
    Write("<%%eHost%%>dangling\r\n" + Line("ePort", "9000") + Line("eUserName", "me"));
    const AppSettings s = Load();
    EXPECT_EQ(s.Host, "");
    EXPECT_EQ(s.Port, "9000");
    EXPECT_EQ(s.UserName, "me");
}

TEST_F(SettingsStoreTest, LinesWithoutCarriageReturnsLoadTheSame)
{
    Write("<%%rUseProxy%%>-1<%%/rUseProxy%%>\n<%%eHost%%>h<%%/eHost%%>\n");
    const AppSettings s = Load();
    EXPECT_TRUE(s.UseProxy);
    EXPECT_EQ(s.Host, "h");
}

TEST_F(SettingsStoreTest, SaveWritesTheTenLinesByteForByte)
{
    AppSettings s;
    s.UseProxy = true;
    s.NoProxy = false;
    s.Authentification = true;
    s.Host = "proxy.local";
    s.Port = "3128";
    s.UserName = "ann";
    s.Password = "s3cr3t";
    s.ExportManually = false;
    s.ExportAutomatic = true;
    s.ExportFolder = "/home/ann/leads";
    QString error;
    ASSERT_TRUE(SaveSettings(s, path_, &error)) << error.toStdString();
    EXPECT_EQ(Read(),
              "<%%rUseProxy%%>-1<%%/rUseProxy%%>\r\n"
              "<%%rNoProxy%%>0<%%/rNoProxy%%>\r\n"
              "<%%rAuthentification%%>-1<%%/rAuthentification%%>\r\n"
              "<%%eHost%%>proxy.local<%%/eHost%%>\r\n"
              "<%%ePort%%>3128<%%/ePort%%>\r\n"
              "<%%eUserName%%>ann<%%/eUserName%%>\r\n"
              "<%%ePassword%%>s3cr3t<%%/ePassword%%>\r\n"
              "<%%cExportManually%%>0<%%/cExportManually%%>\r\n"
              "<%%cExportAutomatic%%>-1<%%/cExportAutomatic%%>\r\n"
              "<%%eExportFolder%%>/home/ann/leads<%%/eExportFolder%%>\r\n");
}

TEST_F(SettingsStoreTest, SaveThenLoadGivesBackEveryField)
{
    const bool flagSets[][5] = {
        {false, true, false, true, false},
        {true, false, true, false, true},
        {true, true, true, true, true},
    };
    for (const auto& f : flagSets) {
        AppSettings s;
        s.UseProxy = f[0];
        s.NoProxy = f[1];
        s.Authentification = f[2];
        s.ExportManually = f[3];
        s.ExportAutomatic = f[4];
        s.Host = "  host with blanks ";
        s.Port = " 80";
        s.UserName = "user\t";
        s.Password = " p@ss wörd ";
        s.ExportFolder = " /tmp/out ";
        ASSERT_TRUE(SaveSettings(s, path_));
        const AppSettings t = Load();
        EXPECT_EQ(t.UseProxy, s.UseProxy);
        EXPECT_EQ(t.NoProxy, s.NoProxy);
        EXPECT_EQ(t.Authentification, s.Authentification);
        EXPECT_EQ(t.Host, s.Host);
        EXPECT_EQ(t.Port, s.Port);
        EXPECT_EQ(t.UserName, s.UserName);
        EXPECT_EQ(t.Password, s.Password);
        EXPECT_EQ(t.ExportManually, s.ExportManually);
        EXPECT_EQ(t.ExportAutomatic, s.ExportAutomatic);
        EXPECT_EQ(t.ExportFolder, s.ExportFolder);
    }
}

TEST_F(SettingsStoreTest, TheFileIsReadableByItsOwnerOnly)
{
    // Also when it replaces a file that others could read.
    Write("old");
    QFile::setPermissions(QString::fromStdString(path_), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                             QFileDevice::ReadGroup | QFileDevice::ReadOther);
    AppSettings s;
    s.Password = "secret";
    ASSERT_TRUE(SaveSettings(s, path_));
    struct stat st {};
    ASSERT_EQ(stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(SettingsStoreTest, AFailedSaveKeepsTheOldFileWhole)
{
    const std::string old = FileText({{"eHost", "kept"}});
    Write(old);
    AppSettings s;
    s.Host = std::string(4000, 'x');
    QString error;
    {
        FileSizeLimit limit(1024);
        EXPECT_FALSE(SaveSettings(s, path_, &error));
    }
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(Read(), old);
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{"settings.dat"});
}

TEST_F(SettingsStoreTest, SaveIntoAMissingFolderFailsWithAReason)
{
    QString error;
    EXPECT_FALSE(SaveSettings(AppSettings{}, dir_.filePath("no/such/folder/settings.dat").toStdString(), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(SettingsFilePathTest, EnvironmentOverridesTheExecutablesFolder)
{
    QTemporaryDir dir;
    qputenv("TESSALY_SETTINGS_DIR", dir.path().toUtf8());
    EXPECT_EQ(SettingsFilePath(), dir.filePath("settings.dat").toStdString());
    qunsetenv("TESSALY_SETTINGS_DIR");
    // The test's own folder is writable, so the file sits beside the executable.
    EXPECT_EQ(SettingsFilePath(),
              QDir(QCoreApplication::applicationDirPath()).filePath("settings.dat").toStdString());
}

} // namespace
