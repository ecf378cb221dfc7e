#include "UUtils.h"

#include "TextScan.h"

#include <QStandardPaths>

#include <array>
#include <limits>
#include <optional>

namespace tessaly {

// Backpage's abuse mailbox: the conventional "abuse@" address of the site's
// domain (the exact address the site published is not on record). Matches
// that are part of it are never reported as contacts, on every site.
const char* const kAbuseEmailAddress = "abuse@backpage.com";

namespace {

bool IsBlank(unsigned char c) { return c <= 32; }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Where the cut of ExtractBetween lands in a text: the result is
// text[resultPos, resultPos + resultLen) and the text keeps everything from
// `consumed` on.
struct Cut {
    std::size_t consumed = 0;
    std::size_t resultPos = 0;
    std::size_t resultLen = 0;
};

Cut CutBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker)
{
    const std::size_t p = detail::FindAsciiNoCase(text, startMarker);
    if (p == std::string_view::npos)
        return {};
    const std::size_t after = p + startMarker.size();
    const std::size_t q = detail::FindAsciiNoCase(text.substr(after), endMarker);
    if (q == std::string_view::npos)
        return {after, after, 0};
    return {after + q, after, q};
}

// ---- integer and date conversion ---------------------------------------

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

// Decimal integer: leading spaces skipped, optional sign, then digits to the
// very end. Anything else (empty, a trailing blank, out of range) fails.
std::optional<int> TryToInt(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size())
        return std::nullopt;
    long long value = 0;
    const long long limit = negative ? -static_cast<long long>(std::numeric_limits<int>::min())
                                     : std::numeric_limits<int>::max();
    for (; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (!IsDigit(c))
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<int>(negative ? -value : value);
}

int ToInt(std::string_view text)
{
    if (const auto value = TryToInt(text))
        return *value;
    throw ConversionError(Quoted(text) + " is not a valid integer value");
}

[[noreturn]] void ThrowNotADate(std::string_view sourceText)
{
    throw ConversionError(Quoted(sourceText) + " is not a valid date");
}

// Year 1..9999, month 1..12, day within the month (proleptic Gregorian).
QDate EncodeDate(int year, int month, int day, std::string_view sourceText)
{
    if (year < 1 || year > 9999 || !QDate::isValid(year, month, day))
        ThrowNotADate(sourceText);
    return QDate(year, month, day);
}

using MonthTable = std::array<const char*, 12>;

const MonthTable kEnglishMonths = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
const MonthTable kItalianMonths = {"Gennaio", "Febbraio", "Marzo",     "Aprile",  "Maggio",   "Giugno",
                                   "Luglio",  "Agosto",   "Settembre", "Ottobre", "Novembre", "Dicembre"};

struct MonthHit {
    int month;
    std::string rest;
};

// Months in calendar order, the first whose name occurs anywhere in the text
// (ASCII case ignored) wins -- not the leftmost word. Only the table's own
// spelling is deleted, so 'MARCH 16, 2011' keeps its 'MARCH' and fails later.
std::optional<MonthHit> SearchMonth(std::string_view text, const MonthTable& table)
{
    const std::string upperText = AsciiUpper(text);
    for (std::size_t m = 0; m < table.size(); ++m) {
        if (upperText.find(AsciiUpper(table[m])) != std::string::npos)
            return MonthHit{static_cast<int>(m) + 1, Trim(ReplaceAll(text, table[m], ""))};
    }
    return std::nullopt;
}

} // namespace

// ---- markup and string helpers ------------------------------------------

std::string ExtractBetween(TextCursor& source, std::string_view startMarker, std::string_view endMarker)
{
    const std::string_view rest = source.Rest();
    const Cut cut = CutBetween(rest, startMarker, endMarker);
    std::string result(rest.substr(cut.resultPos, cut.resultLen));
    source.Advance(cut.consumed);
    return result;
}

std::string ExtractBetween(std::string& source, std::string_view startMarker, std::string_view endMarker)
{
    const Cut cut = CutBetween(source, startMarker, endMarker);
    std::string result = source.substr(cut.resultPos, cut.resultLen);
    source.erase(0, cut.consumed);
    return result;
}

// Each '<' through the first '>' after it goes; a '<' that is never closed
// drops the rest of the text (the result never holds a '<').
std::string StripTags(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t open = text.find('<', i);
        if (open == std::string_view::npos) {
            out.append(text.substr(i));
            break;
        }
        out.append(text.substr(i, open - i));
        const std::size_t close = text.find('>', open + 1);
        if (close == std::string_view::npos)
            break;
        i = close + 1;
    }
    return out;
}

std::string HtmlToText(std::string_view markup)
{
    std::string out;
    out.reserve(markup.size());
    const std::size_t nul = markup.find('\0');
    const std::string_view text = markup.substr(0, nul);
    bool inTag = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n' || c == '\r')
            continue;
        if (c == '<') {
            inTag = true;
            continue;
        }
        if (c == '>') {
            inTag = false;
            continue;
        }
        if (inTag)
            continue;
        if (c == '\t' || c == ' ') {
            // The raw next byte decides (after the end comes the NUL).
            const char next = i + 1 < text.size() ? text[i + 1] : '\0';
            if (next == '\t' || next == '\n' || next == '\r' || next == ' ' || next == '<')
                continue;
        }
        out.push_back(c);
    }
    // "&amp;" last, so '&amp;lt;' stays '&lt;'.
    out = ReplaceAll(out, "&quot;", "\"");
    out = ReplaceAll(out, "&apos;", "'");
    out = ReplaceAll(out, "&gt;", ">");
    out = ReplaceAll(out, "&lt;", "<");
    out = ReplaceAll(out, "&amp;", "&");
    return out;
}

namespace {

constexpr int kFirstEntityCode = 33;
constexpr int kLastEntityCode = 125;

// The code of a reference "&#<digits>;" (no leading zero, 33..125) that
// starts at text[i], or -1.
int ReferenceCodeAt(std::string_view text, std::size_t i)
{
    if (i + 4 > text.size() || text[i] != '&' || text[i + 1] != '#' || text[i + 2] == '0')
        return -1;
    int code = 0;
    std::size_t j = i + 2;
    for (; j < text.size() && j < i + 5 && IsDigit(static_cast<unsigned char>(text[j])); ++j)
        code = code * 10 + (text[j] - '0');
    if (j == i + 2 || j >= text.size() || text[j] != ';')
        return -1;
    return (code >= kFirstEntityCode && code <= kLastEntityCode) ? code : -1;
}

// The lowest code >= from that has a reference in text, or -1.
int LowestReferenceCode(std::string_view text, int from)
{
    int lowest = -1;
    for (std::size_t i = text.find("&#"); i != std::string_view::npos; i = text.find("&#", i + 1)) {
        const int code = ReferenceCodeAt(text, i);
        if (code >= from && (lowest < 0 || code < lowest))
            lowest = code;
    }
    return lowest;
}

} // namespace

// Decoding goes code by code, 33 up to 125, each over the whole text, so a
// reference that a decoded byte completes is decoded again only when its code
// is higher ('&#38;#65;' -> '&#65;' -> 'A'). Codes without a reference are
// skipped, which gives the same text as visiting all 93 of them.
std::string DecodeNumericEntities(std::string_view text)
{
    std::string s(text);
    int from = kFirstEntityCode;
    while (from <= kLastEntityCode) {
        const int code = LowestReferenceCode(s, from);
        if (code < 0)
            break;
        s = ReplaceAll(s, "&#" + std::to_string(code) + ";", std::string(1, static_cast<char>(code)));
        from = code + 1;
    }
    return s;
}

std::string CleanWhitespace(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '\t' && c != '\n' && c != '\r')
            out.push_back(c);
    return Trim(ReplaceAll(out, "&gt;", ">"));
}

std::string SanitizeCsvField(std::string_view text)
{
    // U+00A8 DIAERESIS in UTF-8, the character the export writes for '"'.
    return Trim(ReplaceAll(text, "\"", "\xC2\xA8"));
}

void SplitByChar(char delimiter, std::string_view text, StringList& list)
{
    list.clear();
    std::size_t start = 0;
    for (std::size_t i = text.find(delimiter); i != std::string_view::npos; i = text.find(delimiter, start)) {
        list.emplace_back(text.substr(start, i - start));
        start = i + 1;
    }
    if (start < text.size())
        list.emplace_back(text.substr(start));
}

void CutAtFirst(std::string& text, std::string_view marker)
{
    if (marker.empty())
        return;
    const std::size_t p = text.find(marker);
    if (p != std::string::npos)
        text.erase(p);
}

std::string Trim(std::string_view text)
{
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && IsBlank(static_cast<unsigned char>(text[b])))
        ++b;
    while (e > b && IsBlank(static_cast<unsigned char>(text[e - 1])))
        --e;
    return std::string(text.substr(b, e - b));
}

std::string AsciiUpper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return out;
}

std::string AsciiLower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return out;
}

// Left to right, without looking again at replaced text; an empty `from`
// changes nothing.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to)
{
    if (from.empty())
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t p = text.find(from); p != std::string_view::npos; p = text.find(from, start)) {
        out.append(text.substr(start, p - start));
        out.append(to);
        start = p + from.size();
    }
    out.append(text.substr(start));
    return out;
}

// ---- contact extraction ---------------------------------------------------

// Matches are collected in order of appearance; one that occurs anywhere in
// what was collected so far (or in the abuse address) is dropped, so a tail
// of an earlier address is dropped too.
std::string ExtractEmails(std::string_view text)
{
    const std::string_view abuse(kAbuseEmailAddress);
    detail::SubstringIndex collected;
    for (const detail::TextMatch& m : detail::FindEmailMatches(text)) {
        const std::string address = ReplaceAll(text.substr(m.pos, m.len), "...", "");
        if (collected.Contains(address) || abuse.find(address) != std::string_view::npos)
            continue;
        collected.Append(address);
        collected.Append(",");
    }
    std::string result = collected.Text();
    if (!result.empty())
        result.pop_back();
    return result;
}

std::string ExtractPhones(std::string_view text)
{
    detail::SubstringIndex collected;
    for (const detail::TextMatch& m : detail::FindPhoneMatches(text)) {
        const std::string_view phone = text.substr(m.pos, m.len);
        if (phone.size() <= 6)
            continue;
        // Dates and years of the ads' own time are not phone numbers.
        if (phone.find("2009") != std::string_view::npos || phone.find("2010") != std::string_view::npos ||
            phone.find("2011") != std::string_view::npos)
            continue;
        if (collected.Contains(phone))
            continue;
        collected.Append(phone);
        collected.Append(",");
    }
    std::string result = collected.Text();
    if (!result.empty())
        result.pop_back();
    return result;
}

// ---- posting-date parsers ---------------------------------------------------

// '2011-03-05,  8:32PM EST': year-month-day before the first comma.
QDate ParseIsoPostDate(std::string_view text, QDate /*today*/)
{
    const std::size_t comma = text.find(',');
    const std::string_view head = comma == std::string_view::npos ? std::string_view() : text.substr(0, comma);
    StringList pieces;
    SplitByChar('-', head, pieces);
    if (pieces.size() < 3)
        ThrowNotADate(text);
    const int year = ToInt(pieces[0]);
    const int month = ToInt(pieces[1]);
    const int day = ToInt(pieces[2]);
    return EncodeDate(year, month, day, text);
}

// 'March 16, 2011 9:13 AM': the month by name; the day before the first
// comma; the year is the four bytes that start two after the comma.
QDate ParseEnglishPostDate(std::string_view text, QDate today)
{
    const auto hit = SearchMonth(text, kEnglishMonths);
    if (!hit)
        return today;
    const std::string_view rest = hit->rest;
    const std::size_t comma = rest.find(',');
    // Without a comma the day text is empty, which does not convert.
    const int day = ToInt(comma == std::string_view::npos ? std::string_view() : rest.substr(0, comma));
    const std::size_t yearPos = comma + 2;
    const int year = ToInt(yearPos < rest.size() ? rest.substr(yearPos, 4) : std::string_view());
    return EncodeDate(year, hit->month, day, text);
}

// 'oggi', 'ieri' or '12 Marzo' (current year). Anything unreadable is today;
// only an impossible day of a named month fails.
QDate ParseItalianPostDate(std::string_view text, QDate today)
{
    const std::string trimmed = Trim(text);
    const std::string word = AsciiLower(trimmed);
    if (word == "oggi")
        return today;
    if (word == "ieri")
        return today.addDays(-1);
    const int year = today.year();
    const auto hit = SearchMonth(trimmed, kItalianMonths);
    if (!hit)
        return today;
    const auto day = TryToInt(Trim(hit->rest));
    if (!day)
        return today;
    return EncodeDate(year, hit->month, *day, text);
}

// '05/03/2011': day/month/year; anything that does not split into three
// integers is today, an impossible date fails. Two-digit years stay as is.
QDate ParseSlashPostDate(std::string_view text, QDate today)
{
    StringList pieces;
    SplitByChar('/', text, pieces);
    if (pieces.size() < 3)
        return today;
    const auto day = TryToInt(pieces[0]);
    const auto month = TryToInt(pieces[1]);
    const auto year = TryToInt(pieces[2]);
    if (!day || !month || !year)
        return today;
    return EncodeDate(*year, *month, *day, text);
}

// ---- desktop --------------------------------------------------------------

std::string GetMyDocumentsFolder()
{
    return detail::DocumentsFolderOrThrow(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

namespace detail {

std::string DocumentsFolderOrThrow(const QString& location)
{
    if (location.isEmpty())
        throw std::runtime_error("Could not find MyDocuments folder location.");
    return location.toStdString();
}

} // namespace detail

} // namespace tessaly
