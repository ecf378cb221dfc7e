#pragma once
// Text toolkit: markup and string helpers, contact extraction, posting-date
// parsers and the documents-folder lookup. Text is UTF-8 bytes; positions,
// trimming (every byte <= 32) and case folding (ASCII letters only) work on
// bytes.

#include "TextCursor.h"

#include <QDate>
#include <QString>

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

using StringList = std::vector<std::string>;

// A text that should have been a whole number or a possible date and was not.
// The message names the text that did not convert.
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// ---- markup and string helpers ------------------------------------------

// Cursor cut: finds startMarker (ASCII case-insensitive) in the cursor's rest;
// if absent returns "" and leaves the cursor alone. Otherwise consumes through
// the start marker, then looks for endMarker (ASCII case-insensitive): found,
// returns the text before it and leaves the cursor AT the end marker; absent,
// returns "" and leaves the cursor just after the start marker.
// Empty markers count as not found.
std::string ExtractBetween(TextCursor& source, std::string_view startMarker, std::string_view endMarker);
// Same on a plain string (the string is rewritten to what is left, a copy
// per call: fine for small texts, page walks use the TextCursor).
std::string ExtractBetween(std::string& source, std::string_view startMarker, std::string_view endMarker);

std::string StripTags(std::string_view text);
std::string HtmlToText(std::string_view markup);
std::string DecodeNumericEntities(std::string_view text);
std::string CleanWhitespace(std::string_view text);
// Every '"' becomes U+00A8 (bytes C2 A8), then trimmed.
std::string SanitizeCsvField(std::string_view text);
void SplitByChar(char delimiter, std::string_view text, StringList& list);
// Cuts text before the first occurrence of marker (case-sensitive).
void CutAtFirst(std::string& text, std::string_view marker);

// Small byte helpers shared by the parsers.
std::string Trim(std::string_view text);               // bytes <= 32 at both ends
std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// ---- contact extraction ---------------------------------------------------

// The Backpage site's abuse address; never returned by ExtractEmails.
extern const char* const kAbuseEmailAddress;

std::string ExtractEmails(std::string_view text);
std::string ExtractPhones(std::string_view text);

// ---- posting-date parsers ---------------------------------------------------
// `today` is the local calendar date of the call; tests pass a fixed one.
// They throw ConversionError as described on each.

QDate ParseIsoPostDate(std::string_view text, QDate today = QDate::currentDate());
QDate ParseEnglishPostDate(std::string_view text, QDate today = QDate::currentDate());
QDate ParseItalianPostDate(std::string_view text, QDate today = QDate::currentDate());
QDate ParseSlashPostDate(std::string_view text, QDate today = QDate::currentDate());

// ---- desktop --------------------------------------------------------------

// The user's documents folder (QStandardPaths::DocumentsLocation); throws
// std::runtime_error ("Could not find MyDocuments folder location.") when
// there is none.
std::string GetMyDocumentsFolder();

namespace detail {
// GetMyDocumentsFolder's check of the location it was given, on its own so
// that the failure can be tested.
std::string DocumentsFolderOrThrow(const QString& location);
} // namespace detail

} // namespace tessaly
