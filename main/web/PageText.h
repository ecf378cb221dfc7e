#pragma once
// Rewrites the markup that Qt WebEngine serialises (lower-case tags, every
// attribute value quoted) into the form the listing markers are written in:
// tag names upper-cased, attribute names, order and values kept, a value
// left unquoted when it is non-empty and made only of ASCII letters, digits,
// '-' and '_', double-quoted otherwise. Text, comments and the contents of
// script-like elements pass through untouched.

#include <string>
#include <string_view>

namespace tessaly {

std::string RewriteToClassicMarkup(std::string_view modernMarkup);

} // namespace tessaly
