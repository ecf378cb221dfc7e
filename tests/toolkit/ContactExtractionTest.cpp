// Contact extraction: the examples, the hand matchers against the regex
// engine itself on fuzzed input, and hostile inputs.
#include "TextScan.h"
#include "UUtils.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QString>

#include <random>

using namespace tessaly;
using detail::TextMatch;

namespace {

const char* const kEmailPattern = R"([_a-zA-Z\d\-\.]+@[_a-zA-Z\d\-]+(\.[_a-zA-Z\d\-]+)+)";
const char* const kPhonePattern = R"((\+\d *)?(\(\d+\) *)?(\d+(-\d*)*))";

// The regex engine's matches: each search starts where the previous match
// ended. Latin-1 keeps one character per byte, so positions are bytes.
std::vector<TextMatch> RegexMatches(const QRegularExpression& re, std::string_view text)
{
    const QString subject = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    std::vector<TextMatch> out;
    qsizetype offset = 0;
    while (offset <= subject.size()) {
        const QRegularExpressionMatch m = re.match(subject, offset);
        if (!m.hasMatch())
            break;
        out.push_back({static_cast<std::size_t>(m.capturedStart()), static_cast<std::size_t>(m.capturedLength())});
        offset = m.capturedEnd();
    }
    return out;
}

// The extraction done the plain way: regex matches, then the filters with a
// direct substring search of the result.
std::string ReferenceEmails(const QRegularExpression& re, std::string_view text)
{
    std::string result;
    for (const TextMatch& m : RegexMatches(re, text)) {
        const std::string address = ReplaceAll(text.substr(m.pos, m.len), "...", "");
        if (result.find(address) != std::string::npos)
            continue;
        if (std::string_view(kAbuseEmailAddress).find(address) != std::string_view::npos)
            continue;
        result += address + ",";
    }
    if (!result.empty())
        result.pop_back();
    return result;
}

std::string ReferencePhones(const QRegularExpression& re, std::string_view text)
{
    std::string result;
    for (const TextMatch& m : RegexMatches(re, text)) {
        const std::string phone(text.substr(m.pos, m.len));
        if (result.find(phone) != std::string::npos || phone.size() <= 6 || phone.find("2009") != std::string::npos ||
            phone.find("2010") != std::string::npos || phone.find("2011") != std::string::npos)
            continue;
        result += phone + ",";
    }
    if (!result.empty())
        result.pop_back();
    return result;
}

std::string RandomText(std::mt19937& rng, const std::vector<std::string>& tokens, std::size_t maxTokens)
{
    std::string s;
    const std::size_t n = rng() % (maxTokens + 1);
    for (std::size_t i = 0; i < n; ++i)
        s += tokens[rng() % tokens.size()];
    return s;
}

std::vector<std::string> Chars(std::string_view alphabet)
{
    std::vector<std::string> out;
    for (char c : alphabet)
        out.emplace_back(1, c);
    return out;
}

} // namespace

// ---- examples ------------------------------------------------------------------

struct ContactCase {
    const char* name;
    std::string text;
    std::string expected;
};

class EmailCases : public ::testing::TestWithParam<ContactCase> {};
TEST_P(EmailCases, Extracts) { EXPECT_EQ(ExtractEmails(GetParam().text), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Toolkit, EmailCases,
    ::testing::Values(
        ContactCase{"Empty", "", ""},
        ContactCase{"NoMatch", "call me at home, no @ here; a@b is not enough", ""},
        ContactCase{"OrderOfAppearanceSingleComma", "Mail bob@mail.com or ANN_2@x-y.co.uk today",
                    "bob@mail.com,ANN_2@x-y.co.uk"},
        ContactCase{"SameAddressTwice", "bob@mail.com bob@mail.com", "bob@mail.com"},
        ContactCase{"TailOfEarlierDropped", "john.smith@mail.com and smith@mail.com", "john.smith@mail.com"},
        ContactCase{"LongerAfterShorterKept", "smith@mail.com and john.smith@mail.com",
                    "smith@mail.com,john.smith@mail.com"},
        ContactCase{"PrefixOfEarlierDropped", "bob@mail.com.au bob@mail.com", "bob@mail.com.au"},
        ContactCase{"TripleDotsRemoved", "write to jo...hn@mail.com", "john@mail.com"},
        ContactCase{"TripleDotsRemovedLeftToRight", "a.....b@mail.com", "a..b@mail.com"},
        ContactCase{"AbuseAddressDropped", "abuse@backpage.com", ""},
        ContactCase{"PartOfAbuseAddressDropped", "use@backpage.com buse@backpage.co", ""},
        ContactCase{"LongerThanAbuseKept", "xabuse@backpage.com", "xabuse@backpage.com"},
        ContactCase{"TrailingDotNotTaken", "see me@home.net.", "me@home.net"},
        ContactCase{"DomainNeedsADot", "me@localhost, you@there.org", "you@there.org"},
        ContactCase{"NextSearchStartsAfterMatch", "a@b.c@d.e", "a@b.c"},
        ContactCase{"DecodedAt", "mary&#64;mail.com", ""},
        ContactCase{"NonAsciiBytesEndTheRuns", "\xC3\xA9mile@cafe.fr, x\xC3\xA9@mail.it", "mile@cafe.fr"}),
    [](const ::testing::TestParamInfo<ContactCase>& info) { return std::string(info.param.name); });

class PhoneCases : public ::testing::TestWithParam<ContactCase> {};
TEST_P(PhoneCases, Extracts) { EXPECT_EQ(ExtractPhones(GetParam().text), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Toolkit, PhoneCases,
    ::testing::Values(
        ContactCase{"Empty", "", ""},
        ContactCase{"NoDigits", "no numbers here", ""},
        ContactCase{"Hyphenated", "call 555-123-4567 now", "555-123-4567"},
        ContactCase{"AreaCodeInParentheses", "(555) 123-4567", "(555) 123-4567"},
        ContactCase{"SpaceSeparatedRunsTooShort", "555 123 4567", ""},
        ContactCase{"SevenDigitsKept", "1234567", "1234567"},
        ContactCase{"SixDigitsDropped", "123456", ""},
        ContactCase{"DateDropped", "2010-12-07", ""},
        ContactCase{"YearDropped", "12-2011", ""},
        ContactCase{"Year2009Dropped", "555-2009-77", ""},
        ContactCase{"CountryCode", "+1 (555) 123-4567", "+1 (555) 123-4567"},
        ContactCase{"CountryCodeWithoutParentheses", "+39 333 1234567", "1234567"},
        ContactCase{"TrailingHyphensTaken", "555-1234-- x", "555-1234--"},
        ContactCase{"SubstringOfEarlierDropped", "555-123-4567 or 123-4567", "555-123-4567"},
        ContactCase{"LongerAfterShorterKept", "123-4567 or 555-123-4567", "123-4567,555-123-4567"},
        ContactCase{"TwoNumbers", "Tel 333-1234567, fax 02 98765432", "333-1234567,98765432"},
        ContactCase{"UnclosedParenthesis", "(5551234567", "5551234567"},
        ContactCase{"PlusWithoutDigit", "+ 5551234", "5551234"}),
    [](const ::testing::TestParamInfo<ContactCase>& info) { return std::string(info.param.name); });

// ---- the hand matchers against the regex engine --------------------------------

TEST(ContactMatchers, EmailMatchesEqualRegexOnFuzzedText)
{
    const QRegularExpression re(QString::fromLatin1(kEmailPattern));
    ASSERT_TRUE(re.isValid());
    std::mt19937 rng(1);
    const auto tokens = Chars("aZ9_-.@@.. ,+\xE9");
    for (int round = 0; round < 200000; ++round) {
        const std::string text = RandomText(rng, tokens, 24);
        ASSERT_EQ(detail::FindEmailMatches(text), RegexMatches(re, text)) << "'" << text << "'";
    }
}

TEST(ContactMatchers, PhoneMatchesEqualRegexOnFuzzedText)
{
    const QRegularExpression re(QString::fromLatin1(kPhonePattern));
    ASSERT_TRUE(re.isValid());
    std::mt19937 rng(2);
    const auto tokens = Chars("0123--++(()) a\t\xE9");
    for (int round = 0; round < 200000; ++round) {
        const std::string text = RandomText(rng, tokens, 24);
        ASSERT_EQ(detail::FindPhoneMatches(text), RegexMatches(re, text)) << "'" << text << "'";
    }
}

TEST(ContactMatchers, ExtractionEqualsRegexAndPlainSearch)
{
    const QRegularExpression emailRe(QString::fromLatin1(kEmailPattern));
    const QRegularExpression phoneRe(QString::fromLatin1(kPhonePattern));
    std::mt19937 rng(3);
    const std::vector<std::string> tokens = {
        "a",   "b",   "jo",     "1",    "7",        "55",      "2009", "2010", "201", "1-",       "-", ".",
        "...", "@",   "@b.c",   ".com", "backpage", "abuse",   " ",    "  ",   "(",   ")",        "+", "x@y.z",
        ",",   "555", "123456", "0",    "+1 (",     "abuse@b", "\n",   "_",    "(9)", "use@back"};
    for (int round = 0; round < 100000; ++round) {
        const std::string text = RandomText(rng, tokens, 16);
        ASSERT_EQ(ExtractEmails(text), ReferenceEmails(emailRe, text)) << "'" << text << "'";
        ASSERT_EQ(ExtractPhones(text), ReferencePhones(phoneRe, text)) << "'" << text << "'";
    }
}

TEST(SubstringIndex, AnswersLikeADirectSearch)
{
    std::mt19937 rng(4);
    for (std::size_t threshold : {std::size_t{0}, std::size_t{5}, std::size_t{40}}) {
        for (int round = 0; round < 300; ++round) {
            detail::SubstringIndex index(threshold);
            const std::string alphabet = round % 2 ? "ab" : "abc,";
            for (int step = 0; step < 40; ++step) {
                std::string piece;
                for (std::size_t n = rng() % 5; n > 0; --n)
                    piece.push_back(alphabet[rng() % alphabet.size()]);
                index.Append(piece);
                for (int q = 0; q < 10; ++q) {
                    std::string query;
                    for (std::size_t n = 1 + rng() % 7; n > 0; --n)
                        query.push_back(alphabet[rng() % alphabet.size()]);
                    ASSERT_EQ(index.Contains(query), index.Text().find(query) != std::string::npos)
                        << "text '" << index.Text() << "' query '" << query << "' threshold " << threshold;
                }
            }
        }
    }
}

// ---- hostile input ---------------------------------------------------------------
// Each must come back with the right answer (the test's time limit is the
// guard against runaway time; the benchmark measures it).

TEST(ContactHostileInput, MegabyteOfDigits)
{
    const std::string digits(1 << 20, '7');
    EXPECT_EQ(ExtractPhones(digits), digits);
    EXPECT_EQ(ExtractEmails(digits), "");
}

TEST(ContactHostileInput, MegabyteOfHyphenatedDigits)
{
    std::string text;
    while (text.size() < (1u << 20))
        text += "1-";
    EXPECT_EQ(ExtractPhones(text), text);
    EXPECT_EQ(ExtractPhones("(" + text), text);
}

TEST(ContactHostileInput, MegabyteOfLetterDotPairs)
{
    std::string text;
    while (text.size() < (1u << 20))
        text += "a.";
    EXPECT_EQ(ExtractEmails(text), "");
    EXPECT_EQ(ExtractPhones(text), "");
    // With one '@' at the very end: no domain, no match.
    EXPECT_EQ(ExtractEmails(text + "@"), "");
}

TEST(ContactHostileInput, LongLocalRunWithOneAtAtTheEnd)
{
    const std::string local(1 << 20, 'a');
    EXPECT_EQ(ExtractEmails(local + "@"), "");
    EXPECT_EQ(ExtractEmails(local + "@x.com"), local + "@x.com");
    EXPECT_EQ(ExtractEmails(local + "@x.com " + local.substr(10) + "@x.com"), local + "@x.com");
}

TEST(ContactHostileInput, ManyPlusAndParenthesisStarts)
{
    std::string text;
    while (text.size() < (1u << 20))
        text += "+1 (+(1)(";
    EXPECT_EQ(ExtractPhones(text), "");
}

TEST(ContactHostileInput, ManyDistinctNumbersAndAddresses)
{
    std::string phones;
    std::string expectedPhones;
    std::string emails;
    std::string expectedEmails;
    for (int i = 0; i < 100000; ++i) {
        const std::string number = std::to_string(1000000 + i);
        phones += number + " ";
        if (number.find("2009") == std::string::npos && number.find("2010") == std::string::npos &&
            number.find("2011") == std::string::npos)
            expectedPhones += (expectedPhones.empty() ? "" : ",") + number;
        const std::string address = "u" + number + "@mail.com";
        emails += address + " ";
        expectedEmails += (expectedEmails.empty() ? "" : ",") + address;
    }
    EXPECT_EQ(ExtractPhones(phones), expectedPhones);
    EXPECT_EQ(ExtractEmails(emails), expectedEmails);
}
