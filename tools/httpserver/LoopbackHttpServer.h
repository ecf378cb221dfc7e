#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for the tests, the sample sites and
// the local update server. Runs in the thread's event loop; one response per
// connection (Connection: close).

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QTcpServer>

#include <functional>

namespace tessaly {

struct HttpRequest {
    QByteArray method;
    QByteArray target;   // path with query, as sent ("/a/b?x=1")
    QByteArray path;     // target without the query
    QByteArray query;    // after '?', without it
    QMap<QByteArray, QByteArray> headers;  // names lower-cased
    QByteArray body;
    QByteArray Header(const QByteArray& lowerName) const { return headers.value(lowerName); }
};

struct HttpResponse {
    int status = 200;
    QList<QPair<QByteArray, QByteArray>> headers;  // Content-Length is added
    QByteArray body;
    // When > 0 the body goes out in pieces of chunkSize bytes with this
    // pause between them (a slow server). Content-Length is still announced.
    int chunkDelayMs = 0;
    int chunkSize = 1024;
    // Close the connection after this many body bytes (a broken transfer);
    // -1 sends the whole body.
    qint64 dropAfter = -1;

    static HttpResponse Text(int status, const QByteArray& body,
                             const QByteArray& contentType = "text/html; charset=utf-8");
    static HttpResponse Redirect(const QByteArray& location, int status = 302);
};

class LoopbackHttpServer : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<HttpResponse(const HttpRequest&)>;

    explicit LoopbackHttpServer(Handler handler, QObject* parent = nullptr);
    ~LoopbackHttpServer() override;

    // Listens on 127.0.0.1; port 0 picks a free one.
    bool Listen(quint16 port = 0);
    quint16 Port() const;
    // "http://127.0.0.1:<port>"
    QByteArray BaseUrl() const;

    // Every request received so far, in order.
    const QList<HttpRequest>& Requests() const { return requests_; }
    void ClearRequests() { requests_.clear(); }

private:
    void OnNewConnection();

    Handler handler_;
    QTcpServer server_;
    QList<HttpRequest> requests_;
};

} // namespace tessaly
