#include "TextScan.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tessaly::detail {

namespace {

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsAsciiLetter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
unsigned char FoldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

// Byte classes of the e-mail pattern, looked up in one table.
enum : unsigned char { kDomainByte = 1, kLocalByte = 2 };

constexpr std::array<unsigned char, 256> MakeEmailClasses()
{
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c) {
        const bool domain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
                            c == '-';
        table[c] = static_cast<unsigned char>((domain ? kDomainByte | kLocalByte : 0) | (c == '.' ? kLocalByte : 0));
    }
    return table;
}
constexpr std::array<unsigned char, 256> kEmailClasses = MakeEmailClasses();

// [_a-zA-Z\d\-] : the bytes of a domain label.
bool IsDomainByte(unsigned char c) { return kEmailClasses[c] & kDomainByte; }
// [_a-zA-Z\d\-\.] : the bytes of a local part.
bool IsLocalByte(unsigned char c) { return kEmailClasses[c] & kLocalByte; }

unsigned char At(std::string_view t, std::size_t i) { return static_cast<unsigned char>(t[i]); }

} // namespace

// Why this equals the regex: '@' is not a local byte, so from any start s the
// greedy local run ends at the same place r as the run from the start of that
// run; every start in [s, r) succeeds or fails together, the leftmost wins.
// After the '@' the domain run is maximal (backing off leaves a domain byte
// where '.' is needed), then each ".label" is taken greedily and the regex
// ends, so the greedy path is the match.
std::vector<TextMatch> FindEmailMatches(std::string_view t)
{
    std::vector<TextMatch> out;
    const std::size_t n = t.size();
    if (n == 0 || std::memchr(t.data(), '@', n) == nullptr)
        return out;
    std::size_t i = 0;
    while (i < n) {
        if (!IsLocalByte(At(t, i))) {
            ++i;
            continue;
        }
        const std::size_t s = i;
        std::size_t r = i;
        while (r < n && IsLocalByte(At(t, r)))
            ++r;
        if (r >= n || t[r] != '@') {
            i = r; // t[r] cannot start a match either
            continue;
        }
        std::size_t f = r + 1;
        while (f < n && IsDomainByte(At(t, f)))
            ++f;
        std::size_t end = 0;
        if (f > r + 1) {
            std::size_t k = f;
            while (k + 1 < n && t[k] == '.' && IsDomainByte(At(t, k + 1))) {
                k += 2;
                while (k < n && IsDomainByte(At(t, k)))
                    ++k;
                end = k;
            }
        }
        if (end != 0) {
            out.push_back({s, end - s});
            i = end;
        } else {
            i = r + 1; // every start up to and including the '@' fails
        }
    }
    return out;
}

// Why this equals the regex: each optional group, when its first byte is
// there, is taken greedily; backing off any of its parts leaves a space, a
// digit or '(' where the next part needs something else, and skipping a group
// leaves '+' or '(' where a digit is needed. So at each start there is at
// most one candidate path, the greedy one. The final part consumes the whole
// run of digits and hyphens after the first digit.
std::vector<TextMatch> FindPhoneMatches(std::string_view t)
{
    std::vector<TextMatch> out;
    const std::size_t n = t.size();
    auto skipSpaces = [&](std::size_t p) {
        while (p < n && t[p] == ' ')
            ++p;
        return p;
    };
    auto tryAt = [&](std::size_t s, std::size_t& end) {
        std::size_t p = s;
        if (t[p] == '+') {
            if (p + 1 >= n || !IsDigit(At(t, p + 1)))
                return false;
            p = skipSpaces(p + 2);
        }
        if (p < n && t[p] == '(') {
            std::size_t q = p + 1;
            while (q < n && IsDigit(At(t, q)))
                ++q;
            if (q == p + 1 || q >= n || t[q] != ')')
                return false;
            p = skipSpaces(q + 1);
        }
        if (p >= n || !IsDigit(At(t, p)))
            return false;
        while (p < n && (IsDigit(At(t, p)) || t[p] == '-'))
            ++p;
        end = p;
        return true;
    };
    std::size_t s = 0;
    while (s < n) {
        const unsigned char c = At(t, s);
        std::size_t end = 0;
        if ((c == '+' || c == '(' || IsDigit(c)) && tryAt(s, end)) {
            out.push_back({s, end - s});
            s = end;
        } else {
            ++s;
        }
    }
    return out;
}

std::size_t FindAsciiNoCase(std::string_view hay, std::string_view needle)
{
    constexpr auto npos = std::string_view::npos;
    const std::size_t m = needle.size();
    if (m == 0 || m > hay.size())
        return npos;
    const char* base = hay.data();
    const std::size_t last = hay.size() - m; // last possible start
    auto matchesAt = [&](std::size_t i) {
        for (std::size_t j = 1; j < m; ++j)
            if (FoldAscii(At(hay, i + j)) != FoldAscii(At(needle, j)))
                return false;
        return true;
    };
    // Next start in [from, last] whose first byte is b, or npos.
    auto scan = [&](char b, std::size_t from) -> std::size_t {
        if (from > last)
            return npos;
        const void* p = std::memchr(base + from, b, last - from + 1);
        return p ? static_cast<std::size_t>(static_cast<const char*>(p) - base) : npos;
    };
    const unsigned char first = At(needle, 0);
    if (!IsAsciiLetter(first)) {
        for (std::size_t i = scan(static_cast<char>(first), 0); i != npos; i = scan(static_cast<char>(first), i + 1))
            if (matchesAt(i))
                return i;
        return npos;
    }
    // A letter: follow the next lower-case and the next upper-case candidate
    // side by side, so each byte is scanned once.
    const char lower = static_cast<char>(first | 0x20);
    const char upper = static_cast<char>(first & ~0x20);
    std::size_t nextLower = scan(lower, 0);
    std::size_t nextUpper = scan(upper, 0);
    while (true) {
        const std::size_t i = std::min(nextLower, nextUpper);
        if (i == npos)
            return npos;
        if (matchesAt(i))
            return i;
        if (i == nextLower)
            nextLower = scan(lower, i + 1);
        else
            nextUpper = scan(upper, i + 1);
    }
}

// ---- SubstringIndex ----------------------------------------------------------

SubstringIndex::SubstringIndex(std::size_t automatonThreshold) : threshold_(automatonThreshold) {}

void SubstringIndex::Append(std::string_view piece)
{
    text_.append(piece);
    if (automaton_)
        for (char c : piece)
            Extend(static_cast<unsigned char>(c));
}

bool SubstringIndex::Contains(std::string_view query)
{
    if (!automaton_ && text_.size() > threshold_)
        BuildAutomaton();
    if (!automaton_)
        return std::string_view(text_).find(query) != std::string_view::npos;
    int state = 0;
    for (char c : query) {
        state = Next(state, static_cast<unsigned char>(c));
        if (state < 0)
            return false;
    }
    return true;
}

void SubstringIndex::BuildAutomaton()
{
    automaton_ = true;
    states_.reserve(2 * text_.size() + 1);
    edges_.reserve(3 * text_.size());
    states_.push_back({0, -1, 0, 0, 0});
    last_ = 0;
    for (char c : text_)
        Extend(static_cast<unsigned char>(c));
}

int SubstringIndex::Next(int state, unsigned char byte) const
{
    const State& s = states_[state];
    const Edge* e = edges_.data() + s.firstEdge;
    for (int i = 0; i < s.count; ++i)
        if (e[i].byte == byte)
            return e[i].target;
    return -1;
}

void SubstringIndex::SetNext(int state, unsigned char byte, int target)
{
    State& s = states_[state];
    for (int i = 0; i < s.count; ++i) {
        if (edges_[s.firstEdge + i].byte == byte) {
            edges_[s.firstEdge + i].target = target;
            return;
        }
    }
    if (s.count == s.capacity) {
        const int moved = static_cast<int>(edges_.size());
        const int capacity = s.capacity == 0 ? 2 : 2 * s.capacity;
        edges_.resize(edges_.size() + capacity);
        std::copy_n(edges_.begin() + s.firstEdge, s.count, edges_.begin() + moved);
        s.firstEdge = moved;
        s.capacity = capacity;
    }
    edges_[s.firstEdge + s.count++] = {target, byte};
}

// The classic online suffix-automaton construction.
void SubstringIndex::Extend(unsigned char byte)
{
    const int cur = static_cast<int>(states_.size());
    states_.push_back({states_[last_].len + 1, -1, 0, 0, 0});
    int p = last_;
    while (p >= 0 && Next(p, byte) < 0) {
        SetNext(p, byte, cur);
        p = states_[p].link;
    }
    if (p < 0) {
        states_[cur].link = 0;
    } else {
        const int q = Next(p, byte);
        if (states_[p].len + 1 == states_[q].len) {
            states_[cur].link = q;
        } else {
            const int clone = static_cast<int>(states_.size());
            // The clone gets a copy of q's transitions in a block of its own.
            const State source = states_[q];
            const int block = static_cast<int>(edges_.size());
            edges_.resize(edges_.size() + source.count);
            std::copy_n(edges_.begin() + source.firstEdge, source.count, edges_.begin() + block);
            states_.push_back({states_[p].len + 1, source.link, block, source.count, source.count});
            while (p >= 0 && Next(p, byte) == q) {
                SetNext(p, byte, clone);
                p = states_[p].link;
            }
            states_[q].link = clone;
            states_[cur].link = clone;
        }
    }
    last_ = cur;
}

} // namespace tessaly::detail
