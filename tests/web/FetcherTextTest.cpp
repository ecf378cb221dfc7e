// The fetcher's pure pieces: body text conversion and the proxy settings.

#include "HttpFetcher.h"

#include <gtest/gtest.h>

#include <QNetworkProxy>

namespace tessaly {
namespace {

std::string Utf8(const char* bytes, const char* contentType)
{
    return HttpFetcher::BodyToUtf8(QByteArray(bytes), QByteArray(contentType));
}

TEST(FetcherText, DeclaredCharsetDecides)
{
    EXPECT_EQ(Utf8("caf\xe9", "text/html; charset=iso-8859-1"), "caf\xc3\xa9");
    EXPECT_EQ(Utf8("caf\xe9", "text/html;charset=\"Windows-1252\""), "caf\xc3\xa9");
    EXPECT_EQ(Utf8("caf\xe9", "text/html; Charset = latin1 ; x=y"), "caf\xc3\xa9");
    // Latin-1 pages with bytes 0x80-0x9F mean the Windows characters.
    EXPECT_EQ(Utf8("\x93q\x94", "text/html; charset=ISO-8859-1"), "\xe2\x80\x9cq\xe2\x80\x9d");
    EXPECT_EQ(Utf8("caf\xc3\xa9", "text/html; charset=utf-8"), "caf\xc3\xa9");
    // Declared UTF-8 that is not: broken bytes become U+FFFD.
    EXPECT_EQ(Utf8("caf\xe9", "text/html; charset=UTF-8"), "caf\xef\xbf\xbd");
    EXPECT_EQ(Utf8("\xc1\xc2", "text/html; charset=koi8-r"), "\xd0\xb0\xd0\xb1");
}

TEST(FetcherText, WithoutACharsetUtf8IsKeptAndTheRestIsWindows1252)
{
    EXPECT_EQ(Utf8("plain ascii", "text/html"), "plain ascii");
    EXPECT_EQ(Utf8("caf\xc3\xa9", ""), "caf\xc3\xa9");
    EXPECT_EQ(Utf8("caf\xe9 \x80 \x9f \xff", "text/html"), "caf\xc3\xa9 \xe2\x82\xac \xc5\xb8 \xc3\xbf");
    // An overlong form is not valid UTF-8.
    EXPECT_EQ(Utf8("\xc0\xaf", "text/html"), "\xc3\x80\xc2\xaf");
    // A charset nobody knows counts as none.
    EXPECT_EQ(Utf8("caf\xe9", "text/html; charset=x-unknown-thing"), "caf\xc3\xa9");
    EXPECT_EQ(Utf8("caf\xc3\xa9", "text/html; charset=x-unknown-thing"), "caf\xc3\xa9");
}

TEST(FetcherText, NulBytesSurvive)
{
    const QByteArray bytes("a\0b", 3);
    EXPECT_EQ(HttpFetcher::BodyToUtf8(bytes, "text/html"), std::string("a\0b", 3));
}

TEST(FetcherProxy, PortTextThatIsNoWholeNumberGivesPort80)
{
    EXPECT_EQ(HttpFetcher::ProxyPort("3128"), 3128);
    EXPECT_EQ(HttpFetcher::ProxyPort(" 8080 "), 8080);
    EXPECT_EQ(HttpFetcher::ProxyPort("+8080"), 8080);
    EXPECT_EQ(HttpFetcher::ProxyPort(""), 80);
    EXPECT_EQ(HttpFetcher::ProxyPort("   "), 80);
    EXPECT_EQ(HttpFetcher::ProxyPort("abc"), 80);
    EXPECT_EQ(HttpFetcher::ProxyPort("80a"), 80);
    EXPECT_EQ(HttpFetcher::ProxyPort("8.5"), 80);
    EXPECT_EQ(HttpFetcher::ProxyPort("99999999999999999999"), 80);
    // A whole number is taken, kept to 16 bits like a port field.
    EXPECT_EQ(HttpFetcher::ProxyPort("65536"), 0);
    EXPECT_EQ(HttpFetcher::ProxyPort("70000"), 4464);
}

TEST(FetcherProxy, ProxyFollowsTheSettings)
{
    AppSettings settings;
    settings.Host = "proxy.example";
    settings.Port = "3128";
    settings.UserName = "user";
    settings.Password = "secret";
    settings.Authentification = true;

    settings.UseProxy = false;
    EXPECT_EQ(HttpFetcher::ProxyFor(settings).type(), QNetworkProxy::NoProxy);

    settings.UseProxy = true;
    QNetworkProxy proxy = HttpFetcher::ProxyFor(settings);
    EXPECT_EQ(proxy.type(), QNetworkProxy::HttpProxy);
    EXPECT_EQ(proxy.hostName(), "proxy.example");
    EXPECT_EQ(proxy.port(), 3128);
    EXPECT_EQ(proxy.user(), "user");
    EXPECT_EQ(proxy.password(), "secret");

    settings.Authentification = false;
    proxy = HttpFetcher::ProxyFor(settings);
    EXPECT_TRUE(proxy.user().isEmpty());
    EXPECT_TRUE(proxy.password().isEmpty());
}

} // namespace
} // namespace tessaly
