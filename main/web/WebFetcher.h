#pragma once
#include <string>

namespace tessaly {

// Fetches a details page into memory. The real one is HttpFetcher; the site
// adapters' tests give a fake.
class IWebFetcher {
public:
    virtual ~IWebFetcher() = default;
    // True with the body (UTF-8) on success; false, body untouched, on any
    // failure (the fetcher reports it in the status bar itself).
    virtual bool GetWebResource(const std::string& url, std::string& body) = 0;
};

} // namespace tessaly
