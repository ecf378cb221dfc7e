#pragma once
// Internals of the text toolkit that the tests check on their own: the
// hand-written matchers behind ExtractEmails / ExtractPhones, the substring
// index that keeps their de-duplication linear, and the ASCII-case-insensitive
// search behind ExtractBetween.
//
// The matchers give exactly the matches, in the same order, of a leftmost,
// greedy, backtracking regex engine (PCRE2, as QRegularExpression uses) with
//   e-mail: [_a-zA-Z\d\-\.]+@[_a-zA-Z\d\-]+(\.[_a-zA-Z\d\-]+)+
//   phone:  (\+\d *)?(\(\d+\) *)?(\d+(-\d*)*)
// searched from the start of the text, each further search starting right
// after the previous match. They run in linear time and constant stack on any
// input, where the regex engine is quadratic on long runs without '@' and can
// hit its backtracking limits on long hyphenated digit runs.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::detail {

struct TextMatch {
    std::size_t pos = 0;
    std::size_t len = 0;
    bool operator==(const TextMatch&) const = default;
};

std::vector<TextMatch> FindEmailMatches(std::string_view text);
std::vector<TextMatch> FindPhoneMatches(std::string_view text);

// Leftmost occurrence of needle in haystack, ASCII letters compared without
// case, every other byte exactly. npos when absent or when needle is empty.
std::size_t FindAsciiNoCase(std::string_view haystack, std::string_view needle);

// "Does this text occur anywhere in what was appended so far?" for a text
// that only grows. Small texts are searched directly; once a query meets a
// text longer than `automatonThreshold` bytes, a suffix automaton is built
// and answers from then on in O(query length), so de-duplicating many
// distinct matches stays linear (at some tens of bytes of memory per text byte).
class SubstringIndex {
public:
    explicit SubstringIndex(std::size_t automatonThreshold = 1024);
    void Append(std::string_view piece);
    bool Contains(std::string_view query);
    const std::string& Text() const { return text_; }

private:
    // A state's transitions lie side by side in edges_[firstEdge, +count);
    // a full block moves to the end with twice the room, so a lookup scans
    // one short contiguous run.
    struct State {
        int len;
        int link;
        int firstEdge;
        int count;
        int capacity;
    };
    struct Edge {
        int target;
        unsigned char byte;
    };

    void BuildAutomaton();
    int Next(int state, unsigned char byte) const;
    void SetNext(int state, unsigned char byte, int target);
    void Extend(unsigned char byte);

    std::string text_;
    std::size_t threshold_;
    bool automaton_ = false;
    std::vector<State> states_;
    std::vector<Edge> edges_;
    int last_ = 0;
};

} // namespace tessaly::detail
