#include "SampleSites.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QUrlQuery>

namespace tessaly::samplesites {

const std::array<SampleSite, 4> kSampleSites = {{
    {"craigslist", "/craigslist/fuo/index.html"},
    {"backpage", "/backpage/FurnitureForSale/"},
    {"kijiji", "/kijiji/milano/arredamento/"},
    {"bakeca", "/bakeca/milano/arredamento/"},
}};

QString DefaultSamplesRoot()
{
    return QStringLiteral(TESSALY_SAMPLES_DIR);
}

QString RenderDate(QDate date, const QString& format, QDate today)
{
    if (format == QLatin1String("kijiji")) {
        // Kijiji wrote the two most recent days as words, older ones as
        // day and month name without a year.
        if (date == today)
            return QStringLiteral("oggi");
        if (date == today.addDays(-1))
            return QStringLiteral("ieri");
        static const char* const months[12] = {"Gennaio", "Febbraio", "Marzo", "Aprile", "Maggio", "Giugno",
                                               "Luglio", "Agosto", "Settembre", "Ottobre", "Novembre", "Dicembre"};
        return QString::number(date.day()) + QLatin1Char(' ') + QLatin1String(months[date.month() - 1]);
    }
    return QLocale::c().toString(date, format);
}

QByteArray RenderSamplePage(const QByteArray& text, const QByteArray& baseUrl, QDate today)
{
    static const QRegularExpression datePlaceholder(QStringLiteral("\\{\\{DATE-(\\d+):([^}]*)\\}\\}"));
    QString page = QString::fromUtf8(text);
    page.replace(QLatin1String("{{BASE}}"), QString::fromUtf8(baseUrl));

    QString out;
    out.reserve(page.size());
    qsizetype last = 0;
    auto it = datePlaceholder.globalMatch(page);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(page).mid(last, m.capturedStart() - last);
        out += RenderDate(today.addDays(-m.captured(1).toInt()), m.captured(2), today);
        last = m.capturedEnd();
    }
    out += QStringView(page).mid(last);
    return out.toUtf8();
}

QString ResolveSampleFile(const QString& root, const QByteArray& path, const QByteArray& query)
{
    const QStringList segments = QString::fromUtf8(QByteArray::fromPercentEncoding(path))
                                     .split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& segment : segments) {
        if (segment == QLatin1String("..") || segment == QLatin1String(".") || segment.contains(QLatin1Char('\\')))
            return {};
    }
    const QDir base(root);
    QString relative = segments.join(QLatin1Char('/'));
    const bool directory = path.endsWith('/') || relative.isEmpty() || QFileInfo(base.filePath(relative)).isDir();
    if (directory) {
        const int page = QUrlQuery(QString::fromUtf8(query)).queryItemValue(QStringLiteral("page")).toInt();
        const QString index = page > 1 ? QStringLiteral("index-page%1.html").arg(page) : QStringLiteral("index.html");
        relative = relative.isEmpty() ? index : relative + QLatin1Char('/') + index;
    }
    QString file = base.filePath(relative);
    if (QFileInfo(file).isFile())
        return file;
    if (!directory && !segments.last().contains(QLatin1Char('.'))) {
        file += QLatin1String(".html");
        if (QFileInfo(file).isFile())
            return file;
    }
    return {};
}

static QByteArray ContentType(const QString& file)
{
    if (file.endsWith(QLatin1String(".html")))
        return "text/html; charset=utf-8";
    if (file.endsWith(QLatin1String(".css")))
        return "text/css; charset=utf-8";
    return "application/octet-stream";
}

HttpResponse ServeSample(const QString& root, const HttpRequest& request, const QByteArray& baseUrl, QDate today)
{
    const QString file = ResolveSampleFile(root, request.path, request.query);
    QFile in(file);
    if (file.isEmpty() || !in.open(QIODevice::ReadOnly)) {
        return HttpResponse::Text(404, "<html><head><title>404 Not Found</title></head><body>"
                                       "<h1>Not Found</h1><p>The requested URL was not found on this server.</p>"
                                       "</body></html>");
    }
    QByteArray body = in.readAll();
    if (file.endsWith(QLatin1String(".html")))
        body = RenderSamplePage(body, baseUrl, today);
    return HttpResponse::Text(200, body, ContentType(file));
}

SampleSiteServer::SampleSiteServer(QString root, TodayFn today) : root_(std::move(root)), today_(today)
{
    server_ = std::make_unique<LoopbackHttpServer>([this](const HttpRequest& request) {
        return ServeSample(root_, request, server_->BaseUrl(), today_());
    });
}

SampleSiteServer::~SampleSiteServer() = default;

bool SampleSiteServer::Listen(quint16 port)
{
    return server_->Listen(port);
}

QByteArray SampleSiteServer::BaseUrl() const
{
    return server_->BaseUrl();
}

} // namespace tessaly::samplesites
