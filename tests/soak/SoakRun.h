#pragma once

#include "PlayerBus.h"
#include "RoomLink.h"
#include "RoomProcess.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMap>
#include <QRandomGenerator>
#include <QString>
#include <functional>

// The scripted member of the soak: types random commands, noise and lines of other members into
// the room several times a second, kills and restarts the room, deletes a file while it plays,
// and measures every answer. Lines are typed one answer at a time because the player sees only
// the transcript's last line at each poll: a line typed before the answer would hide the command.
class SoakRun {
public:
    struct Options {
        QString socketPath;
        QString roomProgram;
        QString roomLog;
        QString libraryFolder;
        QString settingsFile;
        int entries = 0;
        // The member's choices are drawn from this seed; 0: a seed of its own, printed at the
        // end, so that a failing run's choices can be made again (ZAMP_SOAK_SEED).
        quint32 seed = 0;
        int seconds = 60;
    };

    explicit SoakRun(Options options);
    // Runs for the given time; 0 when nothing failed.
    int run();

private:
    struct Line {
        QByteArray speaker;
        QByteArray text;
    };
    // Masked: no answer, but another line came after the command that the player says on its
    // own or that a room kill or an earlier command explains, so it may never have seen it.
    // Wrong: the player said something nothing explains, and not the answer.
    // Unannounced: a play command the player took without a now-playing line.
    enum class Outcome { Answered, Masked, Interrupted, Missed, Wrong, Unannounced };
    using Match = std::function<bool(const QByteArray &)>;
    struct Unanswered {
        Match match;
        qint64 atMs;
        QByteArray unseen; // the command's own line, when it was never seen going in
    };

    static QList<Line> linesOf(const QByteArray &transcript);
    // Where what `before` held ends in `now`, a later transcript; -1 when `now` replaced it.
    static qsizetype endOfBefore(const QByteArray &before, const QByteArray &now);
    bool startRoom();
    bool waitForPlayer();
    // Types `command` under the user's name and waits up to 3 s for an answer that `match`
    // accepts; with a `speaker`, the line goes in under that name through a changed transcript.
    // `alwaysAnswered`: the player answers the command whatever plays (a word command).
    Outcome command(const QByteArray &command, const Match &match, const QByteArray &speaker = {},
                    bool alwaysAnswered = false);
    // Why a line of the user other than the awaited answer may rightly follow a command; empty
    // when nothing explains it.
    QString excuse(const QByteArray &line) const;
    void wordCommand();
    void playCommand();
    // Whether the player chose what the play command `line` asks for, `before` being what it
    // had chosen when the line was typed.
    bool tookPlayCommand(const QByteArray &line,
                         const std::optional<PlayerBus::Track> &before) const;
    void noise();
    void noiseLine();
    void stranger();
    bool deletePlaying();
    void maybeKillRoom();
    void awaitFreshStamp(const QByteArray &line);
    void awaitQuietRoom();
    void fail(const QString &why);
    void printTranscriptEnd();
    void pause(int fromMs, int toMs);
    void report() const;

    Options m_options;
    RoomLink m_link;
    RoomProcess m_room;
    PlayerBus m_bus;
    quint32 m_seed;
    QRandomGenerator m_random;
    QElapsedTimer m_clock;
    QByteArray m_me;
    QByteArray m_playPrefix;
    QMap<QByteArray, QByteArray> m_answers; // word command -> its answer
    qint64 m_nextKillMs = 0;
    int m_playMissesInARow = 0;
    QList<Unanswered> m_unanswered; // the user's recent commands that got no answer in time
    QByteArray m_wrongLine;         // what the player said instead, for the last Wrong
    QStringList m_failures;
    QMap<QString, int> m_counts;
    QHash<QByteArray, qint64> m_lastTyped; // line -> when it was last typed, ms since the epoch
    qint64 m_slowestMs = 0;
    QByteArray m_slowestCommand;
    qint64 m_totalAnswerMs = 0;
};
