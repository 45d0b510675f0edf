#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QVariantMap>

class MprisPlayer;
class MprisRoot;
class RemotePlayer;

// The player on the session bus as an MPRIS 2.2 media player, for the desktop's media keys and
// widgets and for playerctl: org.mpris.MediaPlayer2.zandoramp (or, while another copy holds that
// name, ...zandoramp.instance<pid>) at /org/mpris/MediaPlayer2. It carries the context of each
// call for its adaptors, which answer some calls with errors.
class MprisService : public QObject, public QDBusContext {
    Q_OBJECT
public:
    static constexpr const char *kName = "org.mpris.MediaPlayer2.zandoramp";
    static constexpr const char *kPath = "/org/mpris/MediaPlayer2";

    explicit MprisService(RemotePlayer &player, QObject *parent = nullptr);
    ~MprisService() override;

    // Puts the player on the bus. False, with one debug line, when there is no bus or the
    // object cannot be registered; the player runs on without desktop controls.
    bool registerOn(QDBusConnection bus);
    // The name taken on the bus; empty while not registered.
    QString serviceName() const { return m_serviceName; }

private:
    void publishChanges();

    MprisRoot *m_root;
    MprisPlayer *m_player;
    QDBusConnection m_bus;
    QString m_serviceName;
    // The player's properties as last announced, the position aside.
    QVariantMap m_announced;
};
