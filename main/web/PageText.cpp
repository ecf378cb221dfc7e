#include "PageText.h"

#include "UUtils.h"

#include <array>
#include <cctype>

namespace tessaly {

namespace {

bool IsAsciiAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool NeedsNoQuotes(std::string_view value)
{
    if (value.empty())
        return false;
    for (char c : value) {
        const bool ok = IsAsciiAlpha(c) || (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (!ok)
            return false;
    }
    return true;
}

// Elements whose content the serialiser writes raw: their text is not markup.
bool IsRawTextElement(std::string_view lowerName)
{
    static constexpr std::array<std::string_view, 10> kRaw = {
        "script", "style", "textarea", "title", "xmp", "iframe", "noembed", "noframes", "noscript", "plaintext"};
    for (std::string_view raw : kRaw)
        if (lowerName == raw)
            return true;
    return false;
}

// Finds "</name" (name compared without case) from pos; npos when absent.
std::size_t FindClosingTag(std::string_view in, std::size_t pos, std::string_view lowerName)
{
    while (true) {
        const std::size_t lt = in.find("</", pos);
        if (lt == std::string_view::npos)
            return lt;
        if (AsciiLower(in.substr(lt + 2, lowerName.size())) == lowerName) {
            const std::size_t after = lt + 2 + lowerName.size();
            if (after >= in.size() || IsSpace(in[after]) || in[after] == '>' || in[after] == '/')
                return lt;
        }
        pos = lt + 2;
    }
}

class Rewriter {
public:
    explicit Rewriter(std::string_view in) : in_(in) { out_.reserve(in.size() + in.size() / 16); }

    std::string Run()
    {
        while (pos_ < in_.size()) {
            const std::size_t lt = in_.find('<', pos_);
            if (lt == std::string_view::npos) {
                out_.append(in_.substr(pos_));
                break;
            }
            out_.append(in_.substr(pos_, lt - pos_));
            pos_ = lt;
            if (!Tag())
                out_.push_back(in_[pos_++]);  // a '<' that starts no tag is text
        }
        return std::move(out_);
    }

private:
    // Handles the construct at pos_ ('<'). False when it is not a tag.
    bool Tag()
    {
        const std::string_view rest = in_.substr(pos_);
        if (rest.substr(0, 4) == "<!--") {
            const std::size_t end = in_.find("-->", pos_ + 4);
            const std::size_t stop = end == std::string_view::npos ? in_.size() : end + 3;
            out_.append(in_.substr(pos_, stop - pos_));
            pos_ = stop;
            return true;
        }
        if (rest.size() >= 2 && (rest[1] == '!' || rest[1] == '?')) {
            const std::size_t end = in_.find('>', pos_);
            const std::size_t stop = end == std::string_view::npos ? in_.size() : end + 1;
            out_.append(in_.substr(pos_, stop - pos_));
            pos_ = stop;
            return true;
        }
        if (rest.size() >= 3 && rest[1] == '/' && IsAsciiAlpha(rest[2]))
            return EndTag();
        if (rest.size() >= 2 && IsAsciiAlpha(rest[1]))
            return StartTag();
        return false;
    }

    std::string_view Name(std::size_t& p) const
    {
        const std::size_t begin = p;
        while (p < in_.size() && !IsSpace(in_[p]) && in_[p] != '>' && in_[p] != '/')
            ++p;
        return in_.substr(begin, p - begin);
    }

    bool EndTag()
    {
        std::size_t p = pos_ + 2;
        const std::string_view name = Name(p);
        const std::size_t end = in_.find('>', p);
        const std::size_t stop = end == std::string_view::npos ? in_.size() : end + 1;
        out_.append("</");
        out_.append(AsciiUpper(name));
        out_.append(in_.substr(p, stop - p));
        pos_ = stop;
        return true;
    }

    bool StartTag()
    {
        std::size_t p = pos_ + 1;
        const std::string_view name = Name(p);
        out_.push_back('<');
        out_.append(AsciiUpper(name));
        while (p < in_.size()) {
            while (p < in_.size() && IsSpace(in_[p]))
                ++p;
            if (p >= in_.size())
                break;
            if (in_[p] == '>') {
                ++p;
                out_.push_back('>');
                break;
            }
            if (in_[p] == '/') {
                ++p;
                out_.append(" /");
                continue;
            }
            // An attribute: name, then an optional value.
            const std::size_t nameBegin = p;
            while (p < in_.size() && !IsSpace(in_[p]) && in_[p] != '>' && in_[p] != '=' &&
                   !(in_[p] == '/' && p + 1 < in_.size() && in_[p + 1] == '>'))
                ++p;
            if (p == nameBegin)  // a stray '=': keep it as part of a name
                ++p;
            out_.push_back(' ');
            out_.append(in_.substr(nameBegin, p - nameBegin));
            std::size_t q = p;
            while (q < in_.size() && IsSpace(in_[q]))
                ++q;
            if (q >= in_.size() || in_[q] != '=')
                continue;
            p = q + 1;
            while (p < in_.size() && IsSpace(in_[p]))
                ++p;
            std::string_view value;
            if (p < in_.size() && (in_[p] == '"' || in_[p] == '\'')) {
                const char quote = in_[p];
                const std::size_t close = in_.find(quote, p + 1);
                const std::size_t end = close == std::string_view::npos ? in_.size() : close;
                value = in_.substr(p + 1, end - p - 1);
                p = close == std::string_view::npos ? in_.size() : close + 1;
            } else {
                const std::size_t begin = p;
                while (p < in_.size() && !IsSpace(in_[p]) && in_[p] != '>')
                    ++p;
                value = in_.substr(begin, p - begin);
            }
            out_.push_back('=');
            if (NeedsNoQuotes(value)) {
                out_.append(value);
            } else {
                out_.push_back('"');
                out_.append(value);
                out_.push_back('"');
            }
        }
        pos_ = p;
        const std::string lowerName = AsciiLower(name);
        if (IsRawTextElement(lowerName)) {
            const std::size_t close = FindClosingTag(in_, pos_, lowerName);
            const std::size_t stop = close == std::string_view::npos ? in_.size() : close;
            out_.append(in_.substr(pos_, stop - pos_));
            pos_ = stop;
        }
        return true;
    }

    std::string_view in_;
    std::size_t pos_ = 0;
    std::string out_;
};

} // namespace

std::string RewriteToClassicMarkup(std::string_view modernMarkup)
{
    return Rewriter(modernMarkup).Run();
}

} // namespace tessaly
