#include "HttpFetcher.h"

#include "UUtils.h"

#include <QAuthenticator>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QUrl>

#include <charconv>
#include <climits>
#include <functional>
#include <memory>

namespace tessaly {

namespace {

int ClampToInt(qint64 n)
{
    return n < 0 ? 0 : n > INT_MAX ? INT_MAX : static_cast<int>(n);
}

// Runs the application's events until the reply has finished: the window
// stays responsive and the CPU idle while the transfer goes on.
void WaitFor(QNetworkReply* reply)
{
    if (reply->isFinished())
        return;
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
}

bool IsRedirect(const QNetworkReply& reply)
{
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return status >= 300 && status < 400 && reply.attribute(QNetworkRequest::RedirectionTargetAttribute).isValid();
}

bool Succeeded(const QNetworkReply& reply)
{
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return reply.error() == QNetworkReply::NoError && status >= 200 && status < 300;
}

// Anything but http(s) would let a page's link read local files through
// Qt's file: and qrc: handlers.
bool IsHttpUrl(const QUrl& url)
{
    return url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

// Sends a GET and follows redirects itself, at most kMaxRedirects in a row.
// Qt's built-in following (Qt 6.4) sent some hops twice to a server that
// closes every connection. Nothing outlives a hop here: no open connection,
// no cached proxy credentials (they come from the settings every time).
// onHop wires up each reply before it is waited for; afterHop, run when it
// has finished, says whether a redirect may still be followed. Gives the
// last reply; a redirect there is one that was not followed.
std::unique_ptr<QNetworkReply> GetFollowingRedirects(QNetworkAccessManager& client, QNetworkRequest request,
                                                     const std::function<void(QNetworkReply&)>& onHop,
                                                     const std::function<bool(QNetworkReply&)>& afterHop)
{
    for (int redirects = 0;; ++redirects) {
        std::unique_ptr<QNetworkReply> reply(client.get(request));
        onHop(*reply);
        WaitFor(reply.get());
        client.clearAccessCache();
        if (!afterHop(*reply) || reply->error() != QNetworkReply::NoError || !IsRedirect(*reply) ||
            redirects == HttpFetcher::kMaxRedirects)
            return reply;
        const QUrl target = reply->url().resolved(reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl());
        if (!IsHttpUrl(target))
            return reply;
        request.setUrl(target);
    }
}

QByteArray DeclaredCharset(const QByteArray& contentType)
{
    const QList<QByteArray> parts = contentType.split(';');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const qsizetype eq = parts[i].indexOf('=');
        if (eq < 0 || parts[i].left(eq).trimmed().toLower() != "charset")
            continue;
        QByteArray value = parts[i].mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.mid(1, value.size() - 2).trimmed();
        return value.toLower();
    }
    return {};
}

// Labels that browsers read as Windows-1252: a page declaring Latin-1 or
// ASCII with bytes 0x80-0x9F means the Windows characters, not C1 controls.
bool IsWindows1252Label(const QByteArray& charset)
{
    static const char* const kLabels[] = {
        "windows-1252", "x-cp1252", "cp1252", "iso-8859-1", "iso8859-1", "iso88591", "iso_8859-1",
        "iso_8859-1:1987", "iso-ir-100", "latin1", "l1", "csisolatin1", "cp819", "ibm819",
        "us-ascii", "ascii", "ansi_x3.4-1968", "ibm367"};
    for (const char* label : kLabels)
        if (charset == label)
            return true;
    return false;
}

std::string Windows1252ToUtf8(const QByteArray& bytes)
{
    static const char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text += (b >= 0x80 && b < 0xA0) ? QChar(kHigh[b - 0x80]) : QChar(b);
    }
    return text.toUtf8().toStdString();
}

} // namespace

HttpFetcher::HttpFetcher(const AppSettings& settings, const bool& stopRequested, IStatusBar& status, IPump& pump,
                         QObject* parent)
    : QObject(parent), settings_(settings), stopRequested_(stopRequested), status_(status), pump_(pump),
      client_(new QNetworkAccessManager(this))
{
    client_->setCookieJar(new QNetworkCookieJar(client_));
    client_->setTransferTimeout(0);  // a slow server is waited for as long as it takes
    connect(client_, &QNetworkAccessManager::proxyAuthenticationRequired, this,
            [this](const QNetworkProxy&, QAuthenticator* authenticator) { SupplyProxyCredentials(authenticator); });
}

HttpFetcher::~HttpFetcher() = default;

QNetworkCookieJar* HttpFetcher::CookieJar() const
{
    return client_->cookieJar();
}

quint16 HttpFetcher::ProxyPort(const std::string& portText)
{
    const std::string text = Trim(portText);
    long long value = 0;
    const char* const end = text.data() + text.size();
    const char* begin = text.data();
    if (begin != end && *begin == '+')
        ++begin;
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (text.empty() || error != std::errc() || stop != end)
        return 80;
    return static_cast<quint16>(value);
}

QNetworkProxy HttpFetcher::ProxyFor(const AppSettings& settings)
{
    if (!settings.UseProxy)
        return QNetworkProxy(QNetworkProxy::NoProxy);
    QNetworkProxy proxy(QNetworkProxy::HttpProxy, QString::fromStdString(settings.Host), ProxyPort(settings.Port));
    if (settings.Authentification) {
        proxy.setUser(QString::fromStdString(settings.UserName));
        proxy.setPassword(QString::fromStdString(settings.Password));
    }
    return proxy;
}

std::string HttpFetcher::BodyToUtf8(const QByteArray& body, const QByteArray& contentType)
{
    const QByteArray charset = DeclaredCharset(contentType);
    if (IsWindows1252Label(charset))
        return Windows1252ToUtf8(body);
    if (!charset.isEmpty()) {
        QStringDecoder decoder(charset.constData(), QStringConverter::Flag::Stateless);
        if (decoder.isValid())
            return QString(decoder.decode(body)).toUtf8().toStdString();
    }
    if (body.isValidUtf8())
        return body.toStdString();
    return Windows1252ToUtf8(body);
}

void HttpFetcher::ApplyProxy(QNetworkAccessManager& client) const
{
    client.setProxy(ProxyFor(settings_));
}

// Qt asks when the proxy answers 407 and the proxy's own credentials were
// not taken (or were refused). Handing over unchanged credentials makes Qt
// give up with an error instead of asking again.
void HttpFetcher::SupplyProxyCredentials(QAuthenticator* authenticator) const
{
    if (!settings_.UseProxy || !settings_.Authentification)
        return;
    authenticator->setUser(QString::fromStdString(settings_.UserName));
    authenticator->setPassword(QString::fromStdString(settings_.Password));
}

QNetworkRequest HttpFetcher::NewRequest(const std::string& url, const char* userAgent) const
{
    QNetworkRequest request(QUrl(QString::fromStdString(url)));
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(userAgent));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    // HTTP/1.1 only, so that "Connection: close" means what it says.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    return request;
}

bool HttpFetcher::GetWebResource(const std::string& url, std::string& body)
{
    ApplyProxy(*client_);
    if (stopRequested_)
        return false;
    disconnected_ = false;
    if (settings_.ExportManually)
        status_.SetMainStatus(QString::fromLatin1(kGettingText));
    status_.SetGaugeValue(0);
    pump_.Pump();

    QNetworkRequest request = NewRequest(url, kPageUserAgent);
    request.setRawHeader("Accept", "text/html, */*");
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("text/html"));
    request.setRawHeader("Pragma", "no-cache");
    request.setRawHeader("Cache-Control", "no-cache");
    request.setRawHeader("Connection", "close");
    // Stop, or a disconnect, during the pump above found no transfer to
    // abort; nothing is sent then.
    const auto goOn = [this] { return !stopRequested_ && !disconnected_; };
    bool ok = false;
    QByteArray received;
    QByteArray contentType;
    if (goOn() && IsHttpUrl(request.url())) {
        // A fetch started from inside another one's pump must not leave
        // Disconnect aiming at a finished reply.
        const QPointer<QNetworkReply> outer = inProgress_;
        bool begun = false;
        const auto onHop = [&](QNetworkReply& reply) {
            inProgress_ = &reply;
            begun = false;
            connect(&reply, &QNetworkReply::downloadProgress, this, [&](qint64 soFar, qint64 total) {
                if (!begun) {
                    begun = true;
                    WorkBegin(total);
                }
                Work(soFar);
            });
        };
        const auto afterHop = [&](QNetworkReply&) {
            if (begun)
                WorkEnd();
            return goOn();
        };
        const std::unique_ptr<QNetworkReply> reply = GetFollowingRedirects(*client_, request, onHop, afterHop);
        inProgress_ = outer;
        ok = Succeeded(*reply);
        if (ok) {
            received = reply->readAll();
            contentType = reply->rawHeader("Content-Type");
        }
    }

    if (!ok) {
        status_.SetMainStatus(QString::fromLatin1(stopRequested_ ? kProcessAbortedText : kConnectionErrorText));
        pump_.Pump();
        return false;
    }
    if (settings_.ExportManually)
        status_.SetMainStatus(QString());
    body = BodyToUtf8(received, contentType);
    return true;
}

bool HttpFetcher::DownloadFile(const std::string& url, const std::string& path, bool honourStopFlag)
{
    QNetworkAccessManager client;  // its own cookies; gone with every way out
    client.setTransferTimeout(0);
    connect(&client, &QNetworkAccessManager::proxyAuthenticationRequired, this,
            [this](const QNetworkProxy&, QAuthenticator* authenticator) { SupplyProxyCredentials(authenticator); });
    ApplyProxy(client);
    const auto stopped = [&] { return honourStopFlag && stopRequested_; };
    if (stopped())
        return false;

    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    status_.SetMainStatus(QString::fromLatin1(kGettingText));

    const QNetworkRequest request = NewRequest(url, kDownloadUserAgent);
    bool ok = false;
    if (IsHttpUrl(request.url())) {
        bool writeFailed = false;
        // Only the body of the last hop goes into the file.
        const auto drain = [&](QNetworkReply& reply) {
            const QByteArray data = reply.readAll();
            if (!writeFailed && !IsRedirect(reply) && file.write(data) < 0) {
                writeFailed = true;
                reply.abort();
            }
        };
        const auto onHop = [&](QNetworkReply& reply) {
            connect(&reply, &QNetworkReply::readyRead, &client, [&drain, hop = &reply] { drain(*hop); });
        };
        const auto afterHop = [&](QNetworkReply& reply) {
            drain(reply);
            return !writeFailed;
        };
        const std::unique_ptr<QNetworkReply> reply = GetFollowingRedirects(client, request, onHop, afterHop);
        ok = Succeeded(*reply) && !writeFailed;
    }
    file.close();
    ok = ok && file.error() == QFileDevice::NoError;

    if (!ok) {
        status_.SetMainStatus(stopped() ? QString::fromLatin1(kDownloadAbortedText) : QString());
        pump_.Pump();
        file.remove();
        return false;
    }
    if (stopped()) {
        status_.SetMainStatus(QString::fromLatin1(kDownloadAbortedText));
        return false;
    }
    status_.SetMainStatus(QString::fromLatin1(kDownloadCompletedText));
    return true;
}

void HttpFetcher::Disconnect()
{
    disconnected_ = true;
    if (inProgress_)
        inProgress_->abort();
}

void HttpFetcher::WorkBegin(qint64 expectedBytes)
{
    status_.SetGaugeMaximum(ClampToInt(expectedBytes));
    status_.SetGaugeValue(0);
    PumpFromHandler();
}

void HttpFetcher::Work(qint64 bytesSoFar)
{
    if (stopRequested_)
        Disconnect();
    status_.SetGaugeValue(ClampToInt(bytesSoFar));
    PumpFromHandler();
}

void HttpFetcher::WorkEnd()
{
    status_.SetGaugeValue(status_.GaugeMaximum());
    PumpFromHandler();
}

// The pump delivers the reply's next data, whose progress event would pump
// again from inside: one level is enough, the outer pump goes on with it.
void HttpFetcher::PumpFromHandler()
{
    if (pumping_)
        return;
    pumping_ = true;
    pump_.Pump();
    pumping_ = false;
}

} // namespace tessaly
