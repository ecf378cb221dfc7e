#pragma once
// A plain blocking download into a file for the update check's tests, in
// place of the main window's fetcher: GET, body into the file, partial file
// removed on failure.

#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>

#include <string>

namespace tessaly::test {

inline bool DownloadToFile(const std::string& url, const std::string& path)
{
    QNetworkAccessManager network;
    network.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request{QUrl(QString::fromStdString(url))};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = network.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    const QString filePath = QString::fromStdString(path);
    bool ok = reply->error() == QNetworkReply::NoError;
    if (ok) {
        QFile file(filePath);
        ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(reply->readAll()) >= 0;
    }
    if (!ok)
        QFile::remove(filePath);
    reply->deleteLater();
    return ok;
}

} // namespace tessaly::test
