// SPDX-License-Identifier: MIT
#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QLocalServer;

// One running Brisko per user. The first start holds a lock file and listens
// on a local socket in a folder only its user can enter; a later start finds
// the lock taken, hands its command line over the socket and ends, and the
// first comes to the front and adds the files the later start named. A lock
// or socket left by a crashed instance is taken over.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    enum class Role
    {
        Primary,    // this process runs the program
        Secondary,  // another instance runs: hand over and end
        Unavailable // no private folder for the lock: run without one
    };

    // folder: where the lock and the socket live; by default a "brisko"
    // folder in the user's runtime folder.
    explicit SingleInstance(QString folder = DefaultFolder());
    ~SingleInstance() override;

    static QString DefaultFolder();

    Role Start();

    // Sends the command line's switches and the absolute paths it names to
    // the running instance; false when none answered within the time.
    bool HandOver(const QString &commandLine, const QStringList &paths = {}, int timeoutMs = 3000) const;

    QString SocketPath() const;

signals:
    // A later start handed over its switches and the paths it names.
    void CommandReceived(const QString &commandLine, const QStringList &paths);

private:
    void AcceptConnection();

    QString folder_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer *server_ = nullptr;
};
