#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

// The stream pushed to an Icecast server as a source, through libshout on a thread of its own
// (libshout's calls block: connecting, logging in, sending). It connects again after the server
// goes away, 1 s later at first and twice as long each time up to a minute, and reports each
// change of its state once. The title of what plays becomes the mount's title.
class IcecastOutput {
public:
    enum class Status { Connecting, Streaming, Refused, MountInUse, Unreachable, Lost };

    struct Target {
        QString user;
        QString host;
        quint16 port = 0;
        QString mount;
        QByteArray password;
        int bitrate = 128;
    };

    // `report` is called on the output's thread with each new state and a sentence for the user.
    IcecastOutput(Target target, std::function<void(Status, const QString &)> report);
    // Asks the thread to end and does not wait for it: it may be inside a blocking call, and
    // ends by itself when that returns.
    ~IcecastOutput();
    IcecastOutput(const IcecastOutput &) = delete;
    IcecastOutput &operator=(const IcecastOutput &) = delete;

    // Any thread; never blocks on the network. Frames beyond a few seconds are dropped while the
    // server is slow or away.
    void push(const QByteArray &frame);
    void setTitle(const QString &title);

private:
    struct Shared;
    std::shared_ptr<Shared> d;
};
