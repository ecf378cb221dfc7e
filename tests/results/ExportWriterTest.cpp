#include "ExportWriter.h"
#include "LeadIntake.h"

#include "FileSizeLimit.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <string>

#include <sys/resource.h>

using namespace tessaly;

using tessaly::testing::FileSizeLimit;

namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::string kHeader =
    "\"Category\",\"Location\",\"Headline\",\"Description\",\"Emails\",\"Phones\",\"Date Posted\",\"Details URL\"\r\n";

std::string ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return f.readAll().toStdString();
}

void WriteBytes(const QString& path, const std::string& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes.data(), qint64(bytes.size()));
}

TEST(ExportFileTest, WritesBomHeaderAndOneQuotedLinePerRow)
{
    QTemporaryDir dir;
    ResultsModel model;
    model.AddRow({" Jobs ", "Rome", "Say \"hi\"", "Two\tlines", "a@b.it,c@d.it", "06 1234", "05/03/2024",
                  "http://x/1"});
    model.AddRow({"", "", "", "", "", "", "", "http://x/2"});
    const QString path = dir.filePath("out.csv");
    QString error;
    ASSERT_TRUE(WriteExportFile(path, model, &error)) << error.toStdString();
    EXPECT_EQ(ReadAll(path), kBom + kHeader +
                                 "\"Jobs\",\"Rome\",\"Say \xC2\xA8hi\xC2\xA8\",\"Two\tlines\",\"a@b.it,c@d.it\","
                                 "\"06 1234\",\"05/03/2024\",\"http://x/1\"\r\n"
                                 "\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"http://x/2\"\r\n");
}

TEST(ExportFileTest, EmptyListGivesTheHeaderOnlyAndReplacesAnOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("out.csv");
    WriteBytes(path, "old content that is longer than the new one, much longer indeed");
    ResultsModel model;
    ASSERT_TRUE(WriteExportFile(path, model));
    EXPECT_EQ(ReadAll(path), kBom + kHeader);
}

TEST(ExportFileTest, AFailedWriteKeepsTheOldFileAndSaysWhy)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("out.csv");
    WriteBytes(path, "previous export");
    ResultsModel model;
    for (int i = 0; i < 2000; ++i)
        model.AddRow({"c", "l", "h", std::string(200, 'd'), "", "", "", "http://x/" + std::to_string(i)});
    QString error;
    {
        FileSizeLimit limit(64 * 1024);
        EXPECT_FALSE(WriteExportFile(path, model, &error));
    }
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(ReadAll(path), "previous export");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"out.csv"});

    EXPECT_FALSE(WriteExportFile(dir.filePath("missing/out.csv"), model, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(ExportedTextTest, CountsInDecimal)
{
    EXPECT_EQ(ExportedText(0), "0 exported items");
    EXPECT_EQ(ExportedText(1), "1 exported items");
    EXPECT_EQ(ExportedText(12345), "12345 exported items");
}

class AutoExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        folder_ = dir_.path().toStdString();
        session_.RunStamp = "11-12-2026 14-05-09";
    }
    QString RunFile() const { return dir_.filePath("Results 11-12-2026 14-05-09.csv"); }

    QTemporaryDir dir_;
    std::string folder_;
    HarvestSession session_;
    AutoExportWriter writer_;
};

TEST_F(AutoExportTest, AppendsLineByLineUnderOneHeaderAndCounts)
{
    const std::string line1 = "\"a\",\"b\",\"c\",\"d\",\"e\",\"f\",\"g\",\"http://1\"";
    const std::string line2 = "\"a2\",\"\",\"\",\"\",\"\",\"\",\"\",\"http://2\"";
    ASSERT_TRUE(writer_.AppendExportLine(folder_, "Results", line1, session_));
    EXPECT_EQ(session_.ExportedCount, 1);
    // On disk before the call returns.
    EXPECT_EQ(ReadAll(RunFile()), kBom + kHeader + line1 + "\r\n");
    ASSERT_TRUE(writer_.AppendExportLine(folder_, "Results", line2, session_));
    EXPECT_EQ(session_.ExportedCount, 2);
    EXPECT_EQ(ReadAll(RunFile()), kBom + kHeader + line1 + "\r\n" + line2 + "\r\n");
}

TEST_F(AutoExportTest, ANewRunStartsANewFile)
{
    ASSERT_TRUE(writer_.AppendExportLine(folder_, "Results", "\"first\"", session_));
    session_.RunStamp = "11-12-2026 15-00-00";
    session_.ExportedCount = 0;
    ASSERT_TRUE(writer_.AppendExportLine(folder_, "Results", "\"second\"", session_));
    EXPECT_EQ(ReadAll(RunFile()), kBom + kHeader + "\"first\"\r\n");
    EXPECT_EQ(ReadAll(dir_.filePath("Results 11-12-2026 15-00-00.csv")), kBom + kHeader + "\"second\"\r\n");
    EXPECT_EQ(session_.ExportedCount, 1);
}

TEST_F(AutoExportTest, AFileOfTheSameRunIsContinuedWithoutASecondHeader)
{
    WriteBytes(RunFile(), kBom + kHeader + "\"earlier\"\r\n");
    ASSERT_TRUE(AutoExportWriter().AppendExportLine(folder_, "Results", "\"later\"", session_));
    EXPECT_EQ(ReadAll(RunFile()), kBom + kHeader + "\"earlier\"\r\n\"later\"\r\n");
}

TEST_F(AutoExportTest, AMissingFolderFailsNamingTheFolder)
{
    const std::string notAFolder = dir_.filePath("plain-file").toStdString();
    WriteBytes(QString::fromStdString(notAFolder), "x");
    for (const std::string& folder : {dir_.filePath("missing").toStdString(), notAFolder, std::string()}) {
        SCOPED_TRACE(folder);
        QString error;
        EXPECT_FALSE(writer_.AppendExportLine(folder, "Results", "\"x\"", session_, &error));
        EXPECT_EQ(session_.ExportedCount, 0);
        EXPECT_TRUE(error.contains(QString::fromStdString(folder))) << error.toStdString();
    }
    EXPECT_FALSE(QFile::exists(dir_.filePath("missing")));
}

TEST_F(AutoExportTest, AFailedAppendLeavesNoHalfLine)
{
    ASSERT_TRUE(writer_.AppendExportLine(folder_, "Results", "\"kept\"", session_));
    const std::string before = ReadAll(RunFile());
    QString error;
    {
        FileSizeLimit limit(before.size() + 10);
        EXPECT_FALSE(writer_.AppendExportLine(folder_, "Results", "\"" + std::string(100, 'z') + "\"", session_,
                                              &error));
    }
    EXPECT_TRUE(error.contains(RunFile())) << error.toStdString();
    EXPECT_EQ(session_.ExportedCount, 1);
    EXPECT_EQ(ReadAll(RunFile()), before);
}

} // namespace
