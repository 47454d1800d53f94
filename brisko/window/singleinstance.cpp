// SPDX-License-Identifier: MIT
#include "window/singleinstance.h"

#include "engine/files/localpath.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A hand-over is one line: the switches, then each path, each in percent
// encoding (which takes blanks and line ends out of them, and keeps a name's
// own bytes), separated by blanks. Thousands of files fit; anything longer
// is not from Brisko.
constexpr qint64 MaxCommandLength = 8 * 1024 * 1024;
const QByteArray Accepted = QByteArrayLiteral("OK\n");

QByteArray HandOverLine(const QString &commandLine, const QStringList &paths)
{
    QByteArray line = commandLine.toUtf8().toPercentEncoding();
    for (const QString &path : paths)
        line += ' ' + BytesFromPath(path).toPercentEncoding();
    return line + '\n';
}

void ReadHandOverLine(const QByteArray &line, QString *commandLine, QStringList *paths)
{
    const QList<QByteArray> fields = line.split(' ');
    *commandLine = QString::fromUtf8(QByteArray::fromPercentEncoding(fields.first()));
    for (qsizetype i = 1; i < fields.size(); ++i)
        *paths << PathFromBytes(QByteArray::fromPercentEncoding(fields.at(i)));
}

// The folder must be a real folder of this user that nobody else may enter,
// so no one else can take the lock or listen in its place.
bool MakePrivateFolder(const QString &folder)
{
    const QByteArray path = QFile::encodeName(folder);
    ::mkdir(path.constData(), 0700);
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid())
        return false;
    if ((info.st_mode & 077) != 0 && ::chmod(path.constData(), 0700) != 0)
        return false;
    return true;
}

} // namespace

SingleInstance::SingleInstance(QString folder)
    : folder_(std::move(folder))
{
}

SingleInstance::~SingleInstance()
{
    if (server_)
        server_->close();
}

QString SingleInstance::DefaultFolder()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (base.isEmpty())
        base = QDir::tempPath() + QStringLiteral("/brisko-") + QString::number(::getuid());
    return base + QStringLiteral("/brisko");
}

QString SingleInstance::SocketPath() const
{
    return folder_ + QStringLiteral("/command");
}

SingleInstance::Role SingleInstance::Start()
{
    if (!QDir().mkpath(QFileInfo(folder_).absolutePath()) || !MakePrivateFolder(folder_))
        return Role::Unavailable;
    lock_ = std::make_unique<QLockFile>(folder_ + QStringLiteral("/brisko.lock"));
    if (!lock_->tryLock(0)) {
        const bool held = lock_->error() == QLockFile::LockFailedError;
        lock_.reset();
        return held ? Role::Secondary : Role::Unavailable;
    }
    // We hold the lock, so a socket file here is a crashed instance's.
    QLocalServer::removeServer(SocketPath());
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(SocketPath()))
        return Role::Primary; // runs, just without hand-overs
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::AcceptConnection);
    return Role::Primary;
}

void SingleInstance::AcceptConnection()
{
    while (QLocalSocket *socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > MaxCommandLength)
                    socket->abort();
                return;
            }
            QString commandLine;
            QStringList paths;
            ReadHandOverLine(socket->readLine(MaxCommandLength).chopped(1), &commandLine, &paths);
            socket->write(Accepted);
            socket->flush();
            socket->disconnectFromServer();
            emit CommandReceived(commandLine, paths);
        });
    }
}

bool SingleInstance::HandOver(const QString &commandLine, const QStringList &paths, int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    const QByteArray message = HandOverLine(commandLine, paths);
    // The running instance may still be starting: try again until it listens.
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(SocketPath());
        if (socket.waitForConnected(int(qMax<qint64>(1, deadline.remainingTime())))) {
            socket.write(message);
            if (!socket.waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime()))))
                return false;
            while (!socket.canReadLine()
                   && socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
            }
            return socket.readLine() == Accepted;
        }
        QThread::msleep(50);
    }
    return false;
}
