// tessaly-extract <site> <file|-> [--listing] [--rewrite]
//
// Runs one site adapter's parser on a saved page, for maintainers checking
// the adapters against pages of a site:
//   details page (default): prints the record the details parser makes, as
//     one line in the export line format (Details URL empty);
//   --listing: the page is a listing page as the harvest reads it from the
//     browser; prints the details URLs the listing parser would fetch, one
//     per line;
//   --rewrite: with --listing, the page is ordinary markup (as a server sends
//     it); it is first rewritten into the browser's old serialisation.
#include "LeadIntake.h"
#include "PageText.h"
#include "Sites.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>
#include <fstream>
#include <sstream>
#include <string>

namespace {

int Usage(const char* message)
{
    if (message)
        std::fprintf(stderr, "tessaly-extract: %s\n", message);
    std::fprintf(stderr,
                 "usage: tessaly-extract <site> <file|-> [--listing] [--rewrite]\n"
                 "  site       craigslist | backpage | kijiji | bakeca\n"
                 "  file       a saved page; - reads standard input\n"
                 "  --listing  the page is a listing page: print its details URLs, one per line\n"
                 "  --rewrite  with --listing: rewrite ordinary markup into the browser's form first\n"
                 "Without --listing the page is a details page and its record is printed as one\n"
                 "export line.\n");
    return 2;
}

int SiteIndexOf(const std::string& name)
{
    const char* const names[4] = {"craigslist", "backpage", "kijiji", "bakeca"};
    for (int i = 0; i < 4; ++i)
        if (name == names[i])
            return i;
    return -1;
}

bool ReadAll(const std::string& source, std::string& text)
{
    if (source == "-") {
        std::ostringstream buffer;
        buffer << std::cin.rdbuf();
        text = buffer.str();
        return !std::cin.bad();
    }
    std::ifstream in(source, std::ios::binary);
    if (!in)
        return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

int main(int argc, char** argv)
{
    std::string site;
    std::string source;
    bool listing = false;
    bool rewrite = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--listing")
            listing = true;
        else if (arg == "--rewrite")
            rewrite = true;
        else if (arg == "-h" || arg == "--help")
            return Usage(nullptr);
        else if (arg.size() > 1 && arg[0] == '-' && arg != "-")
            return Usage(("unknown option " + arg).c_str());
        else if (site.empty())
            site = arg;
        else if (source.empty())
            source = arg;
        else
            return Usage("too many arguments");
    }
    if (site.empty() || source.empty())
        return Usage("a site and a file are needed");
    const int siteIndex = SiteIndexOf(site);
    if (siteIndex < 0)
        return Usage(("unknown site " + site).c_str());
    if (rewrite && !listing)
        return Usage("--rewrite goes with --listing");

    std::string page;
    if (!ReadAll(source, page)) {
        std::fprintf(stderr, "tessaly-extract: cannot read %s\n", source.c_str());
        return 1;
    }

    if (listing) {
        if (rewrite)
            page = tessaly::RewriteToClassicMarkup(page);
        for (const std::string& link : tessaly::ListingLinks(siteIndex, page))
            std::printf("%s\n", link.c_str());
        return 0;
    }
    tessaly::LeadRecord record;
    tessaly::ParseDetailsPage(siteIndex, page, record);
    std::printf("%s\n", tessaly::LeadIntake::ExportLine(record).c_str());
    return 0;
}
