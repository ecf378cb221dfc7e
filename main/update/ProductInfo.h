#pragma once
// Program-wide product values of the main program.

#include <string>

namespace tessaly {

extern const char* const ProductName;    // "Tessaly"
extern const char* const ProductVersion; // "2.02"

// The texts of the About box and the help page. This release gives them no
// value; the About box shows only the fixed parts of its lines.
extern const char* const NoticeYear;
extern const char* const NoticeHolder;
extern const char* const NoticeUrl;
extern const char* const AboutText;
extern const char* const HelpUrl;

// Directory URL of the update server, ending with a slash: the environment
// variable TESSALY_UPDATE_URL when it is set and not empty (tests, staging
// servers), else the address fixed at build time (TESSALY_UPDATE_BASE_URL).
std::string UpdateBaseUrl();

} // namespace tessaly
