// Posting-date parsers: the four site formats, their fallbacks and errors.
#include "UUtils.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <functional>
#include <optional>

using namespace tessaly;

namespace {

const QDate kToday(2011, 3, 20);

using Parser = std::function<QDate(std::string_view, QDate)>;

struct DateCase {
    const char* name;
    std::string text;
    std::optional<QDate> expected; // nullopt: a conversion error
    QDate today = kToday;
};

void Check(const Parser& parse, const DateCase& c)
{
    if (c.expected) {
        try {
            EXPECT_EQ(parse(c.text, c.today), *c.expected) << "'" << c.text << "'";
        } catch (const ConversionError& e) {
            ADD_FAILURE() << "'" << c.text << "' threw: " << e.what();
        }
    } else {
        try {
            const QDate got = parse(c.text, c.today);
            ADD_FAILURE() << "'" << c.text << "' gave " << got.toString(Qt::ISODate).toStdString()
                          << " instead of a conversion error";
        } catch (const ConversionError&) {
        }
    }
}

std::string NameOf(const ::testing::TestParamInfo<DateCase>& info) { return info.param.name; }

QDate D(int y, int m, int d) { return QDate(y, m, d); }

std::string ErrorOf(const Parser& parse, std::string_view text)
{
    try {
        parse(text, kToday);
    } catch (const ConversionError& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace

// ---- year-month-day, comma -------------------------------------------------

class IsoDates : public ::testing::TestWithParam<DateCase> {};
TEST_P(IsoDates, Parse) { Check(ParseIsoPostDate, GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Toolkit, IsoDates,
    ::testing::Values(
        DateCase{"WithTime", "2011-03-05,  8:32PM EST", D(2011, 3, 5)},
        DateCase{"December", "2010-12-07, 10:15PM EST", D(2010, 12, 7)},
        DateCase{"NoComma", "2010-12-07", std::nullopt},
        DateCase{"TwoPieces", "2010-12, x", std::nullopt},
        DateCase{"TrailingHyphenGivesTwoPieces", "2010-12-, x", std::nullopt},
        DateCase{"ExtraPiecesIgnored", "2010-12-07-99, x", D(2010, 12, 7)},
        DateCase{"Empty", "", std::nullopt},
        DateCase{"LeadingSpacesSkipped", "  2010- 12-  7,", D(2010, 12, 7)},
        DateCase{"SignsAllowed", "+2010-+12-07,", D(2010, 12, 7)},
        DateCase{"TrailingBlank", "2010 -12-07, x", std::nullopt},
        DateCase{"TabNotSkipped", "2010-12-\t7, x", std::nullopt},
        DateCase{"LeadingMinusGivesEmptyYear", "-2010-12-07, x", std::nullopt},
        DateCase{"Month13", "2010-13-07, x", std::nullopt},
        DateCase{"Day0", "2010-12-00, x", std::nullopt},
        DateCase{"NotALeapYear", "2011-02-29, x", std::nullopt},
        DateCase{"LeapYear", "2012-02-29, x", D(2012, 2, 29)},
        DateCase{"Year1900NotLeap", "1900-02-29, x", std::nullopt},
        DateCase{"Year0", "0-01-01, x", std::nullopt},
        DateCase{"Year10000", "10000-01-01, x", std::nullopt},
        DateCase{"Year9999", "9999-12-31, x", D(9999, 12, 31)},
        DateCase{"TwoDigitYearNotWidened", "11-03-05, x", D(11, 3, 5)},
        DateCase{"Overflow", "2011-03-99999999999, x", std::nullopt},
        DateCase{"LetterAfterDigits", "2011-03-05x, x", std::nullopt}),
    NameOf);

TEST(IsoDates, ErrorNamesTheText)
{
    EXPECT_NE(ErrorOf(ParseIsoPostDate, "2011-03-5 , x").find("'5 '"), std::string::npos);
    EXPECT_NE(ErrorOf(ParseIsoPostDate, "2011-1x-05, x").find("'1x'"), std::string::npos);
    EXPECT_NE(ErrorOf(ParseIsoPostDate, "2011-02-30, x").find("'2011-02-30, x'"), std::string::npos);
    EXPECT_NE(ErrorOf(ParseIsoPostDate, "2011-03-05").find("'2011-03-05'"), std::string::npos);
}

// ---- English month name, day, comma, year --------------------------------------

class EnglishDates : public ::testing::TestWithParam<DateCase> {};
TEST_P(EnglishDates, Parse) { Check(ParseEnglishPostDate, GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Toolkit, EnglishDates,
    ::testing::Values(
        DateCase{"WithTime", "March 16, 2011 9:13 AM", D(2011, 3, 16)},
        DateCase{"December", "December 7, 2010", D(2010, 12, 7)},
        DateCase{"LowerCaseNameFoundNotDeleted", "december 7, 2010", std::nullopt},
        DateCase{"UpperCaseNameFoundNotDeleted", "MARCH 16, 2011", std::nullopt},
        DateCase{"Empty", "", kToday},
        DateCase{"NoMonth", "Posted yesterday", kToday},
        DateCase{"WeekdayFirst", "Wednesday, March 16, 2011", std::nullopt},
        DateCase{"NoComma", "16 March 2011", std::nullopt},
        DateCase{"YearIsExactlyFourBytes", "December 7, 20101", D(2010, 12, 7)},
        DateCase{"YearStartsTwoAfterComma", "December 7,2011", D(11, 12, 7)},
        DateCase{"ShortYear", "December 7, 20", D(20, 12, 7)},
        DateCase{"NothingAfterComma", "December 7,", std::nullopt},
        DateCase{"LowestMonthWins", "March 3, 2011 May", D(2011, 3, 3)},
        DateCase{"LowestMonthWinsNotLeftmost", "May 3, 2011 March", std::nullopt},
        DateCase{"EveryOccurrenceDeleted", "March 3, 2011March", D(2011, 3, 3)},
        DateCase{"SurroundingBlanks", " \tJune  7, 2010\r\n", D(2010, 6, 7)},
        DateCase{"ImpossibleDay", "February 29, 2011", std::nullopt},
        DateCase{"DayZero", "April 0, 2011", std::nullopt}),
    NameOf);

TEST(EnglishDates, ErrorNamesTheDayText)
{
    EXPECT_NE(ErrorOf(ParseEnglishPostDate, "Wednesday, March 16, 2011").find("'Wednesday'"), std::string::npos);
}

// ---- oggi / ieri / day and Italian month -----------------------------------------

class ItalianDates : public ::testing::TestWithParam<DateCase> {};
TEST_P(ItalianDates, Parse) { Check(ParseItalianPostDate, GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Toolkit, ItalianDates,
    ::testing::Values(
        DateCase{"Today", "  OGGI ", kToday},
        DateCase{"Yesterday", "ieri", kToday.addDays(-1)},
        DateCase{"YesterdayCapitalised", "Ieri", kToday.addDays(-1)},
        DateCase{"YesterdayAcrossYear", "ieri", D(2010, 12, 31), D(2011, 1, 1)},
        DateCase{"WordMustBeWholeText", "ieri 10:30", kToday},
        DateCase{"DayAndMonth", "7 Dicembre", D(2011, 12, 7)},
        DateCase{"March", "12 Marzo", D(2011, 3, 12)},
        DateCase{"MonthAlone", "Dicembre", kToday},
        DateCase{"Empty", "", kToday},
        DateCase{"LowerCaseNameNotDeleted", "12 marzo", kToday},
        DateCase{"YearSpoilsDay", "12 Marzo 2010", kToday},
        DateCase{"ImpossibleDay", "31 Febbraio", std::nullopt},
        DateCase{"ThirtyFirstOfApril", "31 Aprile", std::nullopt},
        DateCase{"DayZero", "0 Marzo", std::nullopt},
        DateCase{"NegativeDay", "-7 Marzo", std::nullopt},
        DateCase{"LeapDayInLeapYear", "29 Febbraio", D(2012, 2, 29), D(2012, 1, 5)},
        DateCase{"NoTurnOfTheYear", "28 Dicembre", D(2011, 12, 28), D(2011, 1, 2)},
        DateCase{"TwoMonthsGiveToday", "5 Marzo Gennaio", kToday},
        DateCase{"EnglishMonthIsNoMonth", "12 March", kToday}),
    NameOf);

// ---- day/month/year ------------------------------------------------------------

class SlashDates : public ::testing::TestWithParam<DateCase> {};
TEST_P(SlashDates, Parse) { Check(ParseSlashPostDate, GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Toolkit, SlashDates,
    ::testing::Values(
        DateCase{"Plain", "05/03/2011", D(2011, 3, 5)},
        DateCase{"TwoDigitYearNotWidened", "5/3/11", D(11, 3, 5)},
        DateCase{"TimeSpoilsYear", "05/03/2011 10:30", kToday},
        DateCase{"ImpossibleDate", "31/04/2011", std::nullopt},
        DateCase{"December", "07/12/2010", D(2010, 12, 7)},
        DateCase{"Hyphens", "07-12-2010", kToday},
        DateCase{"ExtraPiecesIgnored", "07/12/2010/x", D(2010, 12, 7)},
        DateCase{"TrailingSlash", "07/12/2010/", D(2010, 12, 7)},
        DateCase{"NotALeapYear", "29/02/2011", std::nullopt},
        DateCase{"Empty", "", kToday},
        DateCase{"OnlySlashes", "//", kToday},
        DateCase{"LeadingSpacesSkipped", " 5/ 3/  2011", D(2011, 3, 5)},
        DateCase{"TrailingBlank", "5 /3/2011", kToday},
        DateCase{"DayZero", "00/03/2011", std::nullopt},
        DateCase{"YearZero", "05/03/0", std::nullopt},
        DateCase{"Year10000", "05/03/10000", std::nullopt},
        DateCase{"NegativeMonth", "+5/-3/2011", std::nullopt},
        DateCase{"Month13", "05/13/2011", std::nullopt}),
    NameOf);

TEST(SlashDates, ErrorNamesTheText)
{
    EXPECT_NE(ErrorOf(ParseSlashPostDate, "31/04/2011").find("'31/04/2011'"), std::string::npos);
}

TEST(PostDates, TodayDefaultsToTheLocalDate)
{
    const QDate before = QDate::currentDate();
    const QDate got = ParseSlashPostDate("not a date");
    EXPECT_TRUE(got == before || got == QDate::currentDate());
}

// The month names are the parsers' own: the locale's names, which the date
// edits' calendars show, stay as they were.
TEST(PostDates, LocaleMonthNamesUntouched)
{
    const QLocale locale;
    QStringList before;
    for (int m = 1; m <= 12; ++m)
        before << locale.monthName(m) << locale.standaloneMonthName(m);
    ParseItalianPostDate("7 Dicembre", kToday);
    ParseEnglishPostDate("December 7, 2010", kToday);
    QStringList after;
    for (int m = 1; m <= 12; ++m)
        after << QLocale().monthName(m) << QLocale().standaloneMonthName(m);
    EXPECT_EQ(before, after);
}
