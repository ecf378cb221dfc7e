#pragma once
#include <QSet>
#include <QString>

#include <string>

namespace tessaly {

enum SiteIndex : int { SiteCraigslist = 0, SiteBackpage = 1, SiteKijiji = 2, SiteBakeca = 3 };

// The key under which an ad is remembered: trimmed Details URL with its
// ASCII letters upper-cased.
std::string SeenUrlKey(const std::string& detailsUrl);

// The state of the current or last harvesting run, owned by the main window.
struct HarvestSession {
    bool Running = false;
    bool StopRequested = false;
    // Keys of the ads shown (see SeenUrlKey); a hash set, so membership is
    // constant time however long a run gets. Not reset between runs.
    QSet<QByteArray> SeenUrls;
    std::string LastNextUrl;
    std::string RunStamp;
    int ExportedCount = 0;

    bool HasSeen(const std::string& detailsUrl) const;
    void Remember(const std::string& detailsUrl);
    // Removes the key of detailsUrl; false when it was not there.
    bool Forget(const std::string& detailsUrl);
};

} // namespace tessaly
