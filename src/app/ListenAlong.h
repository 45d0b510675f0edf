#pragma once

#include "stream/StreamSettings.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

class MediaPlayer;
class QAction;
class SettingsStore;
class StreamService;

// The main window's side of the stream listeners hear: it keeps the stream's settings in the
// settings file, switches the remembered stream on and off from the options menu's "Listen
// Along", and tells the stream what the player does (each new item with its caption, pause,
// stop, seeks), checking every second that the stream keeps in step with the player.
class ListenAlong : public QObject {
    Q_OBJECT
public:
    // `caption` reads the "Playing:" caption. Without a service nothing ever streams.
    ListenAlong(StreamService *service, MediaPlayer &player, std::function<QString()> caption,
                SettingsStore &settings, QObject *parent = nullptr);
    // The window's player goes with it: the stream, which may go on for the next window, falls
    // silent.
    ~ListenAlong() override;

    // Settings given on the command line: used, and remembered, by restore().
    void setGiven(const std::optional<StreamSettings> &given) { m_given = given; }
    // After the settings file is loaded: streams what was given or remembered as on.
    void restore();
    // The options menu's check item.
    void connectMenu(QAction *item);
    void setOn(bool on);
    bool isOn() const;
    // What the room is told to open; empty while nothing streams.
    QString url() const;

    // The stream's settings as the settings file holds them; nothing streams without them.
    StreamSettings remembered() const;

private:
    void remember(const StreamSettings &settings);
    // The menu item's check mark and the step timer after a switch.
    void showState();
    bool start(const StreamSettings &settings);
    void followPlayer();
    void keepInStep();

    QPointer<StreamService> m_service;
    MediaPlayer &m_player;
    std::function<QString()> m_caption;
    SettingsStore &m_settings;
    std::optional<StreamSettings> m_given;
    QPointer<QAction> m_menuItem;
    QTimer m_step;
    // What the stream was last told plays; empty while it streams silence.
    QString m_streaming;
    bool m_itemOnItsWay = false;
};
