#include "HarvestSession.h"

#include "UUtils.h"

namespace tessaly {

std::string SeenUrlKey(const std::string& detailsUrl)
{
    return AsciiUpper(Trim(detailsUrl));
}

static QByteArray KeyBytes(const std::string& detailsUrl)
{
    const std::string key = SeenUrlKey(detailsUrl);
    return QByteArray(key.data(), qsizetype(key.size()));
}

bool HarvestSession::HasSeen(const std::string& detailsUrl) const
{
    return SeenUrls.contains(KeyBytes(detailsUrl));
}

void HarvestSession::Remember(const std::string& detailsUrl)
{
    SeenUrls.insert(KeyBytes(detailsUrl));
}

bool HarvestSession::Forget(const std::string& detailsUrl)
{
    return SeenUrls.remove(KeyBytes(detailsUrl));
}

} // namespace tessaly
