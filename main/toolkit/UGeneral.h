#pragma once
// General helpers: splitting at a separator string, opening an address in the
// desktop's browser, and waiting while the window stays responsive.

#include "UUtils.h"

#include <string>
#include <string_view>

namespace tessaly {

void SplitByString(std::string_view separator, std::string_view text, StringList& list);

// Starts the desktop's default browser ($BROWSER, else xdg-open) detached,
// with the URL as its one argument. False when no browser command exists.
bool OpenUrlInBrowser(const std::string& url);

// Waits ms milliseconds while processing the application's events
// (no busy spinning). ms <= 0 processes pending events once and returns.
void WaitMs(int ms);

} // namespace tessaly
