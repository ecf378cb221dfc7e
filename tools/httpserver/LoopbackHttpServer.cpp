#include "LoopbackHttpServer.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

namespace tessaly {

namespace {

QByteArray ReasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 307: return "Temporary Redirect";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

// Reads one request from a socket as its bytes arrive, then answers it.
class Connection : public QObject {
public:
    Connection(QTcpSocket* socket, LoopbackHttpServer::Handler& handler, QList<HttpRequest>& log)
        : QObject(socket), socket_(socket), handler_(handler), log_(log)
    {
        connect(socket_, &QTcpSocket::readyRead, this, [this] { OnReadyRead(); });
        connect(socket_, &QTcpSocket::disconnected, socket_, &QObject::deleteLater);
    }

private:
    void OnReadyRead()
    {
        if (answered_)
            return;
        buffer_ += socket_->readAll();
        const qsizetype headerEnd = buffer_.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        HttpRequest request;
        const QList<QByteArray> lines = buffer_.left(headerEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        request.method = requestLine.value(0);
        request.target = requestLine.value(1);
        const qsizetype q = request.target.indexOf('?');
        request.path = q < 0 ? request.target : request.target.left(q);
        request.query = q < 0 ? QByteArray() : request.target.mid(q + 1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0)
                continue;
            request.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
        }
        const qsizetype length = request.Header("content-length").toLongLong();
        if (buffer_.size() - (headerEnd + 4) < length)
            return;
        request.body = buffer_.mid(headerEnd + 4, length);
        answered_ = true;
        log_.append(request);
        Answer(handler_(request));
    }

    void Answer(const HttpResponse& response)
    {
        QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + ReasonPhrase(response.status) + "\r\n";
        for (const auto& h : response.headers)
            head += h.first + ": " + h.second + "\r\n";
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\nConnection: close\r\n\r\n";
        body_ = response.body;
        if (response.dropAfter >= 0)
            body_ = body_.left(response.dropAfter);
        dropAtEnd_ = response.dropAfter >= 0;
        socket_->write(head);
        if (response.chunkDelayMs <= 0) {
            socket_->write(body_);
            Finish();
            return;
        }
        chunkSize_ = qMax(1, response.chunkSize);
        timer_ = new QTimer(this);
        timer_->setInterval(response.chunkDelayMs);
        connect(timer_, &QTimer::timeout, this, [this] { SendChunk(); });
        SendChunk();
        timer_->start();
    }

    void SendChunk()
    {
        if (socket_->state() != QAbstractSocket::ConnectedState) {
            if (timer_)
                timer_->stop();
            return;
        }
        socket_->write(body_.mid(sent_, chunkSize_));
        sent_ += chunkSize_;
        if (sent_ >= body_.size()) {
            timer_->stop();
            Finish();
        }
    }

    void Finish()
    {
        if (dropAtEnd_)
            socket_->abort();
        else
            socket_->disconnectFromHost();
    }

    QTcpSocket* socket_;
    LoopbackHttpServer::Handler& handler_;
    QList<HttpRequest>& log_;
    QByteArray buffer_;
    QByteArray body_;
    bool answered_ = false;
    bool dropAtEnd_ = false;
    qsizetype sent_ = 0;
    int chunkSize_ = 1024;
    QTimer* timer_ = nullptr;
};

} // namespace

HttpResponse HttpResponse::Text(int status, const QByteArray& body, const QByteArray& contentType)
{
    HttpResponse r;
    r.status = status;
    r.body = body;
    r.headers.append({"Content-Type", contentType});
    return r;
}

HttpResponse HttpResponse::Redirect(const QByteArray& location, int status)
{
    HttpResponse r;
    r.status = status;
    r.headers.append({"Location", location});
    return r;
}

LoopbackHttpServer::LoopbackHttpServer(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler))
{
    connect(&server_, &QTcpServer::newConnection, this, &LoopbackHttpServer::OnNewConnection);
}

LoopbackHttpServer::~LoopbackHttpServer() = default;

bool LoopbackHttpServer::Listen(quint16 port)
{
    return server_.listen(QHostAddress::LocalHost, port);
}

quint16 LoopbackHttpServer::Port() const
{
    return server_.serverPort();
}

QByteArray LoopbackHttpServer::BaseUrl() const
{
    return "http://127.0.0.1:" + QByteArray::number(Port());
}

void LoopbackHttpServer::OnNewConnection()
{
    while (QTcpSocket* socket = server_.nextPendingConnection())
        new Connection(socket, handler_, requests_);
}

} // namespace tessaly
