// Markup and string helpers: the page cursor, tag stripping, markup to text,
// entity decoding, splitting and clean-up.
#include "TextScan.h"
#include "UGeneral.h"
#include "UUtils.h"

#include <gtest/gtest.h>

#include <random>

using namespace tessaly;

namespace {

StringList SplitChar(char delimiter, std::string_view text)
{
    StringList list{"stale"};
    SplitByChar(delimiter, text, list);
    return list;
}

StringList SplitString(std::string_view separator, std::string_view text)
{
    StringList list{"stale"};
    SplitByString(separator, text, list);
    return list;
}

} // namespace

// ---- ExtractBetween --------------------------------------------------------

struct CutCase {
    const char* name;
    std::string source;
    std::string start;
    std::string end;
    std::string result;
    std::string rest;
};

class ExtractBetweenCases : public ::testing::TestWithParam<CutCase> {};

TEST_P(ExtractBetweenCases, CursorAndStringAgree)
{
    const CutCase& c = GetParam();
    TextCursor cursor(c.source);
    EXPECT_EQ(ExtractBetween(cursor, c.start, c.end), c.result);
    EXPECT_EQ(cursor.Rest(), c.rest);

    std::string source = c.source;
    EXPECT_EQ(ExtractBetween(source, c.start, c.end), c.result);
    EXPECT_EQ(source, c.rest);
}

INSTANTIATE_TEST_SUITE_P(
    Toolkit, ExtractBetweenCases,
    ::testing::Values(
        CutCase{"MarkersInOtherCase", "xx<b>Hello</B>yy", "<B>", "</b>", "Hello", "</B>yy"},
        CutCase{"StartMissingChangesNothing", "xx<b>Hello</b>yy", "<i>", "</b>", "", "xx<b>Hello</b>yy"},
        CutCase{"EndMissingKeepsTextAfterStart", "xx<b>Hello", "<b>", "</b>", "", "Hello"},
        CutCase{"StartAtVeryEnd", "Hello<b>", "<b>", "</b>", "", ""},
        CutCase{"EmptyResultBetweenAdjacentMarkers", "a<b></b>c", "<b>", "</b>", "", "</b>c"},
        CutCase{"EmptyStartMarkerIsNotFound", "abc", "", "c", "", "abc"},
        CutCase{"EmptyEndMarkerIsNotFound", "abc", "a", "", "", "bc"},
        CutCase{"EmptySource", "", "a", "b", "", ""},
        CutCase{"FirstOccurrenceWins", "<p>1</p><p>2</p>", "<P>", "</P>", "1", "</p><p>2</p>"},
        CutCase{"EndSearchedOnlyAfterStart", "</b>x<b>y</b>", "<b>", "</b>", "y", "</b>"},
        CutCase{"MarkerStartingWithLetter", "Posted: DATE: 2011-03-05\n", "date: ", "\n", "2011-03-05", "\n"},
        CutCase{"MarkerLongerThanSource", "ab", "abc", "x", "", "ab"},
        CutCase{"MarkerOverlapsItself", "aaab", "aab", "x", "", ""},
        // Only ASCII letters fold: 'é' (C3 A9) and 'É' (C3 89) differ.
        CutCase{"NonAsciiBytesMatchExactly", "<\xC3\x89t\xC3\xA9>x</\xC3\xA9t\xC3\xA9>", "<\xC3\xA9T\xC3\xA9>", "<", "",
                "<\xC3\x89t\xC3\xA9>x</\xC3\xA9t\xC3\xA9>"},
        CutCase{"NonAsciiExactByteFound", "<\xC3\xA9t\xC3\xA9>x</a>", "<\xC3\xA9T\xC3\xA9>", "</A>", "x", "</a>"},
        // '@' (64) and '`' (96) are 32 apart like 'A'/'a' but are not letters.
        CutCase{"NonLettersDoNotFold", "[x]{y}`z`", "{", "`", "y}", "`z`"},
        CutCase{"AtIsNotBacktick", "a`b@c", "@", "c", "", "c"}),
    [](const ::testing::TestParamInfo<CutCase>& info) { return std::string(info.param.name); });

TEST(ExtractBetween, EndMarkerStaysAtHeadForTheNextCall)
{
    TextCursor cursor(std::string("<td>a</td><td>b</td><td>c"));
    EXPECT_EQ(ExtractBetween(cursor, "<td>", "</td>"), "a");
    EXPECT_EQ(cursor.Rest(), "</td><td>b</td><td>c");
    // The end marker left at the head serves as the next start marker.
    EXPECT_EQ(ExtractBetween(cursor, "</td>", "</td>"), "<td>b");
    EXPECT_EQ(ExtractBetween(cursor, "<td>", "</td>"), "");
    EXPECT_EQ(cursor.Rest(), "c");
    EXPECT_EQ(ExtractBetween(cursor, "<td>", "</td>"), "");
    EXPECT_EQ(cursor.Rest(), "c");
}

TEST(ExtractBetween, RepeatedCallsWalkThePage)
{
    std::string page = "<ul>";
    for (int i = 0; i < 50; ++i)
        page += "<LI class=x>item " + std::to_string(i) + "</li>\n";
    page += "</ul>";
    TextCursor cursor(page);
    std::string plain = page;
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(ExtractBetween(cursor, "<li class=X>", "</LI>"), "item " + std::to_string(i));
        EXPECT_EQ(ExtractBetween(plain, "<li class=X>", "</LI>"), "item " + std::to_string(i));
    }
    EXPECT_EQ(ExtractBetween(cursor, "<li class=X>", "</LI>"), "");
    EXPECT_EQ(cursor.Rest(), "</li>\n</ul>");
    EXPECT_EQ(plain, "</li>\n</ul>");
}

// The case-insensitive search against a plain lower-casing reference.
TEST(ExtractBetween, CaseInsensitiveSearchMatchesReference)
{
    std::mt19937 rng(7);
    const std::string alphabet = "aAbB<>@`[{\xC3\xA9";
    auto randomText = [&](std::size_t n) {
        std::string s;
        for (std::size_t i = 0; i < n; ++i)
            s.push_back(alphabet[rng() % alphabet.size()]);
        return s;
    };
    for (int round = 0; round < 20000; ++round) {
        const std::string hay = randomText(rng() % 24);
        const std::string needle = randomText(rng() % 4);
        const std::size_t expected =
            needle.empty() ? std::string::npos : AsciiLower(hay).find(AsciiLower(needle));
        ASSERT_EQ(detail::FindAsciiNoCase(hay, needle), expected) << "'" << hay << "' / '" << needle << "'";
    }
}

// ---- StripTags ---------------------------------------------------------------

TEST(StripTags, Examples)
{
    EXPECT_EQ(StripTags("a > b <i>c</i>"), "a > b c");
    EXPECT_EQ(StripTags("plain text > with gt"), "plain text > with gt");
    EXPECT_EQ(StripTags(""), "");
    EXPECT_EQ(StripTags("<p>one</p>\n  <p>two &amp; three</p>"), "one\n  two &amp; three");
    EXPECT_EQ(StripTags("a<b<c>d"), "ad");
    EXPECT_EQ(StripTags("<a href=\"x\"><img src=y></a>"), "");
}

TEST(StripTags, UnclosedTagTerminatesAndKeepsTextBefore)
{
    EXPECT_EQ(StripTags("before <i>x</i> after <unclosed"), "before x after ");
    EXPECT_EQ(StripTags("<"), "");
    EXPECT_EQ(StripTags(std::string(100000, '<')), "");
}

// ---- HtmlToText --------------------------------------------------------------

struct TextCase {
    const char* name;
    std::string input;
    std::string expected;
};

class HtmlToTextCases : public ::testing::TestWithParam<TextCase> {};

TEST_P(HtmlToTextCases, Converts) { EXPECT_EQ(HtmlToText(GetParam().input), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Toolkit, HtmlToTextCases,
    ::testing::Values(
        TextCase{"Empty", "", ""},
        TextCase{"SpaceRule", "x <b>y</b>  z\r\n", "xy z"},
        TextCase{"RawGreaterThanDropped", "a > b", "a  b"},
        TextCase{"TrailingSpaceKept", "abc ", "abc "},
        TextCase{"LeadingSpaceKept", " abc", " abc"},
        TextCase{"UnclosedTagDropsRest", "abc<def ghi", "abc"},
        TextCase{"DoublyEscapedOnceOnly", "&amp;quot;", "&quot;"},
        TextCase{"DoubleAmpLt", "&amp;lt;", "&lt;"},
        TextCase{"FiveEntities", "&quot;q&quot; &apos;a&apos; &gt; &lt; &amp;", "\"q\" 'a' > < &"},
        TextCase{"EntitiesCaseSensitive", "&AMP; &Quot;", "&AMP; &Quot;"},
        TextCase{"LineBreaksDroppedAnywhere", "a\r\nb<br\n>c", "abc"},
        TextCase{"TabKeptBeforeText", "a\tb", "a\tb"},
        TextCase{"TabBeforeSpaceDropped", "a\t b", "a b"},
        TextCase{"SpaceBeforeLineBreakDropped", "a \nb", "ab"},
        TextCase{"SpaceBeforeTagDropped", "a <br>b", "ab"},
        TextCase{"SpaceInTagDropped", "<a href = x>t</a>", "t"},
        TextCase{"SpaceBeforeGreaterKept", "a >b", "a b"},
        TextCase{"StopsAtNul", std::string("ab\0cd", 5), "ab"},
        TextCase{"SpaceBeforeNulKept", std::string("ab \0cd", 6), "ab "},
        TextCase{"Utf8Untouched", "caf\xC3\xA9 <b>cr\xC3\xA8me</b>", "caf\xC3\xA9" "cr\xC3\xA8me"}),
    [](const ::testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

// ---- DecodeNumericEntities ---------------------------------------------------

TEST(DecodeNumericEntities, Examples)
{
    EXPECT_EQ(DecodeNumericEntities("&#65;"), "A");
    EXPECT_EQ(DecodeNumericEntities("&#32;"), "&#32;");
    EXPECT_EQ(DecodeNumericEntities("&#126;"), "&#126;");
    EXPECT_EQ(DecodeNumericEntities("&#065;"), "&#065;");
    EXPECT_EQ(DecodeNumericEntities("&#x27;"), "&#x27;");
    EXPECT_EQ(DecodeNumericEntities("&#33;&#125;&#39;"), "!}'");
    EXPECT_EQ(DecodeNumericEntities("john&#64;example.com"), "john@example.com");
    EXPECT_EQ(DecodeNumericEntities(""), "");
    EXPECT_EQ(DecodeNumericEntities("&#65"), "&#65");
    EXPECT_EQ(DecodeNumericEntities("&#1065;"), "&#1065;");
}

TEST(DecodeNumericEntities, AscendingCascade)
{
    // '&' (38) produces '&#65;', decoded later at 65.
    EXPECT_EQ(DecodeNumericEntities("&#38;#65;"), "A");
    // ... but a produced reference to a lower code stays: 35 < 38.
    EXPECT_EQ(DecodeNumericEntities("&#38;#35;"), "&#35;");
    // A produced reference to the same code is not decoded again.
    EXPECT_EQ(DecodeNumericEntities("&#38;#38;"), "&#38;");
    EXPECT_EQ(DecodeNumericEntities("&#&#53;3;"), "&#53;");
    // '3' (51) completes '&#53;' which is decoded at 53.
    EXPECT_EQ(DecodeNumericEntities("&#5&#51;;"), "5");
    // '5' (53) completes '&#35;' -- code 35 is past.
    EXPECT_EQ(DecodeNumericEntities("&#3&#53;;"), "&#35;");
    // Two steps: ';' at 59 completes '&#60;' ('<'), which is decoded at 60.
    EXPECT_EQ(DecodeNumericEntities("&#60&#59;"), "<");
}

namespace {
// Every code 33..125 over the whole text, in order.
std::string DecodeReference(std::string s)
{
    for (int n = 33; n <= 125; ++n)
        s = ReplaceAll(s, "&#" + std::to_string(n) + ";", std::string(1, static_cast<char>(n)));
    return s;
}
} // namespace

TEST(DecodeNumericEntities, SameAsEveryCodeInTurn)
{
    std::mt19937 rng(11);
    const std::string alphabet = "&&&###;;;0123456789a";
    for (int round = 0; round < 50000; ++round) {
        std::string s;
        const std::size_t n = rng() % 20;
        for (std::size_t i = 0; i < n; ++i)
            s.push_back(alphabet[rng() % alphabet.size()]);
        ASSERT_EQ(DecodeNumericEntities(s), DecodeReference(s)) << s;
    }
    std::string crafted;
    for (int n = 125; n >= 20; --n)
        crafted += "&#38;#" + std::to_string(n) + ";&#" + std::to_string(n) + ";";
    EXPECT_EQ(DecodeNumericEntities(crafted), DecodeReference(crafted));
}

// ---- CleanWhitespace, SanitizeCsvField, Trim ----------------------------------

TEST(CleanWhitespace, RemovesBreaksDecodesGtTrims)
{
    EXPECT_EQ(CleanWhitespace("\t Cars &gt; Trucks\r\n  "), "Cars > Trucks");
    EXPECT_EQ(CleanWhitespace("a\tb\nc\rd"), "abcd");
    EXPECT_EQ(CleanWhitespace("&amp;gt; &lt;"), "&amp;gt; &lt;");
    EXPECT_EQ(CleanWhitespace(""), "");
}

TEST(SanitizeCsvField, QuotesBecomeDiaeresis)
{
    EXPECT_EQ(SanitizeCsvField("  \"word\"  "), "\xC2\xA8word\xC2\xA8");
    EXPECT_EQ(SanitizeCsvField("say \"\"hi\"\""), "say \xC2\xA8\xC2\xA8hi\xC2\xA8\xC2\xA8");
    EXPECT_EQ(SanitizeCsvField("\x01\x1f no quotes \t"), "no quotes");
}

TEST(Trim, EveryByteUpTo32AtBothEnds)
{
    EXPECT_EQ(Trim(std::string("\0\x01\t\n \x20x y\x1f\x7f", 11)), "x y\x1f\x7f");
    EXPECT_EQ(Trim("\x7f"), "\x7f");
    EXPECT_EQ(Trim("\xC2\xA0x\xC2\xA0"), "\xC2\xA0x\xC2\xA0"); // bytes above 127 stay
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim(""), "");
}

TEST(AsciiCase, OnlyAsciiLettersChange)
{
    EXPECT_EQ(AsciiUpper("abz@[`{\xC3\xA9"), "ABZ@[`{\xC3\xA9");
    EXPECT_EQ(AsciiLower("ABZ@[`{\xC3\x89"), "abz@[`{\xC3\x89");
}

TEST(ReplaceAll, LeftToRightWithoutRescan)
{
    EXPECT_EQ(ReplaceAll("aaaa", "aa", "a"), "aa");
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(ReplaceAll("a.....b", "...", ""), "a..b");
    EXPECT_EQ(ReplaceAll("", "x", "y"), "");
}

// ---- splitting and cutting ---------------------------------------------------

TEST(SplitByChar, Examples)
{
    EXPECT_EQ(SplitChar(',', "a,,b,"), (StringList{"a", "", "b"}));
    EXPECT_EQ(SplitChar(',', ",a"), (StringList{"", "a"}));
    EXPECT_EQ(SplitChar(',', ""), StringList{});
    EXPECT_EQ(SplitChar('-', "2010-12-07"), (StringList{"2010", "12", "07"}));
    EXPECT_EQ(SplitChar('/', "/"), (StringList{""}));
    EXPECT_EQ(SplitChar('/', "abc"), (StringList{"abc"}));
}

TEST(SplitByString, Examples)
{
    EXPECT_EQ(SplitString(">", "a>b"), (StringList{"a", "b"}));
    EXPECT_EQ(SplitString(">", "a>"), (StringList{"a", ""}));
    EXPECT_EQ(SplitString(">", ">a > b"), (StringList{"", "a ", " b"}));
    EXPECT_EQ(SplitString(">", "no separator"), (StringList{"no separator"}));
    EXPECT_EQ(SplitString(">", ""), (StringList{""}));
    EXPECT_EQ(SplitString("", "a>b"), (StringList{"a>b"}));
    EXPECT_EQ(SplitString("<br>", "one<br>two<BR>three<br><br>"), (StringList{"one", "two<BR>three", "", ""}));
}

TEST(CutAtFirst, CutsBeforeFirstCaseSensitiveOccurrence)
{
    std::string text = "Nice car - $500 - (Boston)";
    CutAtFirst(text, " - ");
    EXPECT_EQ(text, "Nice car");

    text = "abc";
    CutAtFirst(text, "B");
    EXPECT_EQ(text, "abc");
    CutAtFirst(text, "");
    EXPECT_EQ(text, "abc");
    CutAtFirst(text, "a");
    EXPECT_EQ(text, "");
}
