#pragma once
// A page read from the front: the consuming cursor that every page parser
// walks with ExtractBetween. The text is held once; "consuming" only moves
// an offset, so a walk over a page is linear, never quadratic.

#include <cstddef>
#include <string>
#include <string_view>

namespace tessaly {

class TextCursor {
public:
    TextCursor() = default;
    explicit TextCursor(std::string text) : text_(std::move(text)) {}

    // What is left of the text (everything not consumed yet).
    std::string_view Rest() const { return std::string_view(text_).substr(pos_); }
    std::string RestCopy() const { return std::string(Rest()); }
    bool Empty() const { return pos_ >= text_.size(); }

    // Exact, case-sensitive search in the rest. Position is 0-based,
    // relative to the rest; npos when absent.
    std::size_t Find(std::string_view marker) const { return Rest().find(marker); }
    bool Contains(std::string_view marker) const { return Find(marker) != std::string_view::npos; }

    // Drops the first n bytes of the rest.
    void Advance(std::size_t n) { pos_ = (n >= text_.size() - pos_) ? text_.size() : pos_ + n; }

private:
    std::string text_;
    std::size_t pos_ = 0;
};

} // namespace tessaly
