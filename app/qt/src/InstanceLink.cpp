#include "InstanceLink.h"

#include "QtText.h"
#include "platform/DevicePaths.h"

#include <QCryptographicHash>
#include <QLocalSocket>
#include <QThread>

namespace {
constexpr char kRaiseWord[] = "raise\n";
constexpr int kWaitMs = 1000;
} // namespace

QString CInstanceLink::Name()
{
    // A short name, whatever the length of the folder's path: socket paths are limited.
    const QByteArray folder = PathToQString(CDevicePaths::DataFolder()).toUtf8();
    return QStringLiteral("lumeno-") +
           QString::fromLatin1(QCryptographicHash::hash(folder, QCryptographicHash::Sha1).toHex().left(16));
}

bool CInstanceLink::Listen(std::function<void()> raise, QString& error)
{
    m_raise = std::move(raise);
    // This copy holds the guard, so a socket left by a copy that crashed is stale.
    QLocalServer::removeServer(Name());
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(Name())) {
        error = m_server.errorString();
        return false;
    }
    QObject::connect(&m_server, &QLocalServer::newConnection, &m_server, [this] {
        while (QLocalSocket* peer = m_server.nextPendingConnection()) {
            QObject::connect(peer, &QLocalSocket::readyRead, peer, [this, peer] {
                if (peer->readAll().contains("raise") && m_raise)
                    m_raise();
                peer->disconnectFromServer();
            });
            QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        }
    });
    return true;
}

bool CInstanceLink::AskToRaise(int attempts, int intervalMs)
{
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (attempt > 0)
            QThread::msleep(static_cast<unsigned long>(intervalMs));
        QLocalSocket socket;
        socket.connectToServer(Name());
        if (!socket.waitForConnected(kWaitMs))
            continue;
        socket.write(kRaiseWord);
        if (socket.waitForBytesWritten(kWaitMs)) {
            socket.disconnectFromServer();
            return true;
        }
    }
    return false;
}
