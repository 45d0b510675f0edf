#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

class Library;
class MediaPlayer;

// What plays, as the window's "Playing:", "Duration:" and "Number:" show it, and the one-shot
// now-playing announcement (Timer1): half a second after an entry is started, the caption is
// compared with the one last announced, and a new one is announced from the template.
class NowPlaying : public QObject {
    Q_OBJECT
public:
    static constexpr int kCheckMs = 500;

    // `say` types a line into the chat; `playTemplate` reads the "playing" template as it stands.
    NowPlaying(MediaPlayer &player, const Library &library, std::function<void(QString)> say,
               std::function<QString()> playTemplate, QObject *parent = nullptr);

    // The row last started, or -1 before the first start.
    int entry() const { return m_entry; }
    // author " - " name of the player's current item; "None..." until the player reports one.
    const QString &caption() const { return m_caption; }
    // The current item's duration text; "0:00" until the player reports an item.
    const QString &duration() const { return m_duration; }
    // The caption at the time of the last announcement check; "nothing..." before the first.
    const QString &announced() const { return m_announced; }
    QTimer *Timer1() { return &m_check; }

    // An entry is started: its number shows, and the announcement check is due.
    void started(int row);
    // The player's StatusChange: the caption and duration follow its current item.
    void follow();
    // Timer1's tick.
    void check();
    // The now-playing line for the current item, or nothing when a value cannot be obtained.
    std::optional<QString> composeAnnouncement() const;

signals:
    void changed();

private:
    MediaPlayer &m_player;
    const Library &m_library;
    std::function<void(QString)> m_say;
    std::function<QString()> m_template;
    QTimer m_check;
    int m_entry = -1;
    QString m_caption = QStringLiteral("None...");
    QString m_duration = QStringLiteral("0:00");
    QString m_announced = QStringLiteral("nothing...");
};
