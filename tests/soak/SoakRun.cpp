#include "SoakRun.h"

#include "chatroom/ChatRoom.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QThread>
#include <QTime>
#include <algorithm>
#include <cstdio>

namespace {

constexpr qint64 kAnswerLimitMs = 3000;
// How long a command that must be answered may go unanswered before the player counts as hung.
constexpr qint64 kHangLimitMs = 15000;
// The room lets lines in a hold apart, so a line may first wait behind a burst of noise.
constexpr qint64 kQueueLimitMs = 15000;
constexpr int kPollMs = 50;
const QByteArray kLineStart = "<BR><FONT COLOR=\"#0000ff\"><B>";
const QByteArray kSpeakerEnd = "</B></FONT><FONT COLOR=\"#000000\">: ";
const QByteArray kStamp = "<!-- (";
const char *const kOutcomeNames[] = {"answered", "masked", "interrupted",
                                     "missed",   "wrong",  "taken, not announced"};
// Of the word and play commands typed while the room was up, leaving out play commands that
// went unanswered and that the player did not take. Some go unanswered rightly: a now-playing line
// typed before the player's poll hides the command, and the same song drawn again is not announced
// again. That is a few in the 30 to 40 commands of a minute, so the bound leaves room for chance; a
// player that gets every fifth command wrong falls below it.
constexpr int kLeastAnsweredPercent = 80;

QByteArray unescape(QByteArray text) {
    return text.replace("&lt;", "<").replace("&gt;", ">").replace("&amp;", "&");
}

} // namespace

SoakRun::SoakRun(Options options)
    : m_options(std::move(options)), m_link(m_options.socketPath),
      m_room(m_options.roomProgram, m_options.roomLog),
      m_seed(m_options.seed ? m_options.seed : QRandomGenerator::system()->generate()),
      m_random(m_seed) {
    // The answers the player gives with the texts the soak put in its settings file.
    QMap<QByteArray, QByteArray> settings;
    QFile file(m_options.settingsFile);
    if (file.open(QIODevice::ReadOnly))
        for (const QByteArray &entry : file.readAll().split('\n'))
            settings[entry.left(4)] = entry.mid(4).chopped(entry.endsWith('\r') ? 1 : 0);
    const QByteArray play = settings.value("cspl");
    m_playPrefix = play.left(play.indexOf('%'));
    m_answers = {{"pause", settings.value("cspa")}, {"unpause", "media unpaused"},
                 {"play", "media playing"},         {"ff", settings.value("csff")},
                 {"fr", settings.value("csfr")},    {"ar", "auto random enabled"},
                 {"xar", "auto random disabled"},   {"clear", "chat clear"}};
}

qsizetype SoakRun::endOfBefore(const QByteArray &before, const QByteArray &now) {
    // Not by looking for how `before` ended: a line of noise can come twice in one second, and
    // its second copy would end `now` exactly as the first ended `before`. An empty `before` (a
    // room just restarted) starts every transcript, one that a clear replaced too.
    if (!before.isEmpty() && now.startsWith(before))
        return before.size();
    // The room keeps only its newest lines, so what is left of `before` starts at one of its lines.
    for (qsizetype at = before.indexOf(kLineStart, 1); at > 0;
         at = before.indexOf(kLineStart, at + 1)) {
        if (now.startsWith(QByteArrayView(before).sliced(at)))
            return before.size() - at;
    }
    return -1;
}

QList<SoakRun::Line> SoakRun::linesOf(const QByteArray &transcript) {
    QList<Line> lines;
    qsizetype at = transcript.indexOf(kLineStart);
    while (at >= 0) {
        const qsizetype next = transcript.indexOf(kLineStart, at + kLineStart.size());
        const QByteArray raw =
            transcript.mid(at + kLineStart.size(), next < 0 ? -1 : next - at - kLineStart.size());
        const qsizetype colon = raw.indexOf(kSpeakerEnd);
        const qsizetype stamp = raw.lastIndexOf(kStamp);
        if (colon >= 0 && stamp > colon)
            lines.append({unescape(raw.left(colon)),
                          raw.mid(colon + kSpeakerEnd.size(), stamp - colon - kSpeakerEnd.size())});
        at = next;
    }
    return lines;
}

bool SoakRun::startRoom() {
    if (!m_room.start())
        return false;
    for (int i = 0; i < 200; ++i) {
        if (m_link.transcript())
            return true;
        if (!m_room.running())
            return false;
        QThread::msleep(kPollMs);
    }
    return false;
}

bool SoakRun::waitForPlayer() {
    // Who the room's own user is, as the transcript spells it.
    const QByteArray hello = "soak member here " + QByteArray::number(m_random.generate());
    m_link.say(hello);
    for (int i = 0; i * kPollMs < kQueueLimitMs && m_me.isEmpty(); ++i, QThread::msleep(kPollMs))
        for (const Line &line : linesOf(m_link.transcript().value_or(QByteArray())))
            if (line.text == hello)
                m_me = line.speaker;
    if (m_me.isEmpty())
        return false;
    // The player is ready once it obeys; its start (a scan of the library) takes a while.
    for (int tries = 0; tries < 30; ++tries) {
        if (command("ar", [this](const QByteArray &t) { return t == m_answers["ar"]; }) ==
            Outcome::Answered)
            return true;
    }
    return false;
}

SoakRun::Outcome SoakRun::command(const QByteArray &text, const Match &match,
                                  const QByteArray &speaker, bool alwaysAnswered) {
    if (!speaker.isEmpty())
        awaitQuietRoom();
    const std::optional<QByteArray> before = m_link.transcript();
    if (!before)
        return Outcome::Interrupted;
    QElapsedTimer waited;
    waited.start();
    awaitFreshStamp(speaker + ':' + text);
    qint64 inAtMs = -1; // when the command was first seen in the transcript
    // A late answer to a command of the user's explains a line after a later command, and so
    // does a late copy of a command that was never seen going in.
    const bool usersCommand = speaker.isEmpty() || speaker.toLower().replace(' ', QByteArray()) ==
                                                       m_me.toLower().replace(' ', QByteArray());
    const auto unanswered = [&](Outcome outcome) {
        if (usersCommand)
            m_unanswered.append({match, m_clock.elapsed(), inAtMs < 0 ? text : QByteArray()});
        return outcome;
    };
    m_unanswered.removeIf(
        [this](const Unanswered &u) { return m_clock.elapsed() - u.atMs > 15000; });
    const bool typed =
        speaker.isEmpty()
            ? m_link.say(text)
            : m_link.replace(*before + ChatRoom::formatLine(QString::fromUtf8(speaker),
                                                            QString::fromUtf8(text),
                                                            QTime::currentTime())
                                           .toUtf8());
    ++m_counts[QStringLiteral("lines typed")];
    // A room too busy to answer in time may still have taken the line.
    if (!typed)
        return unanswered(Outcome::Interrupted);
    QString excused;
    QByteArray wrong;
    bool changed = false;
    // Nothing after the command yet: the player's next poll sees it.
    bool alone = false;
    const int kills = m_counts.value(QStringLiteral("faults: room killed and restarted"));
    // A command the player always answers, still the transcript's last line, is waited for
    // longer than the answer's time: a player slowed down by a loaded machine is no fault, only
    // one that never answers.
    const auto answerLimit = [&] {
        return alwaysAnswered && alone ? kHangLimitMs : kAnswerLimitMs;
    };
    while (inAtMs < 0 ? waited.elapsed() < kQueueLimitMs
                      : waited.elapsed() - inAtMs < answerLimit()) {
        QThread::msleep(kPollMs);
        maybeKillRoom();
        if (!m_room.running() ||
            kills != m_counts.value(QStringLiteral("faults: room killed and restarted")))
            return unanswered(Outcome::Interrupted);
        const std::optional<QByteArray> now = m_link.transcript();
        // Unchanged so far: the command still waits in the room.
        changed = changed || (now && *now != *before);
        if (!now || !changed)
            continue;
        // The transcript grows by appending; "clear" replaces it, and then all of it is new,
        // without the command itself.
        const qsizetype at = endOfBefore(*before, *now);
        const bool grew = at >= 0 && now->size() > at;
        const QList<Line> fresh = linesOf(grew ? now->mid(at) : *now);
        // The answers follow the command; in a transcript that is all new, its last copy. Only
        // a clear answers without a copy of itself: for any other command, lines of a replaced
        // transcript without it came before it (a late clear), and none answers it.
        const auto isCommand = [&](const Line &line) {
            return line.text == text;
        };
        const auto first = std::find_if(fresh.cbegin(), fresh.cend(), isCommand);
        const auto last = std::find_if(fresh.crbegin(), fresh.crend(), isCommand);
        const bool clears = text == "clear";
        if (grew ? first == fresh.cend() : last == fresh.crend() && !clears)
            continue;
        const qsizetype from = grew ? first - fresh.cbegin() + 1 : fresh.crend() - last;
        if (inAtMs < 0)
            inAtMs = waited.elapsed();
        alone = from >= fresh.size();
        excused.clear();
        wrong.clear();
        for (const Line &line : fresh.mid(from)) {
            if (line.speaker == m_me && match(line.text)) {
                const qint64 ms = waited.elapsed();
                m_totalAnswerMs += ms;
                if (ms > m_slowestMs) {
                    m_slowestMs = ms;
                    m_slowestCommand = text;
                }
                return Outcome::Answered;
            }
            const QString why = line.speaker == m_me ? excuse(line.text)
                                                     : QStringLiteral("a line of another member");
            if (why.isEmpty())
                wrong = line.text;
            else
                excused = why;
        }
    }
    if (!wrong.isEmpty()) {
        m_wrongLine = wrong;
        return unanswered(Outcome::Wrong);
    }
    if (!excused.isEmpty())
        ++m_counts[QStringLiteral("unanswered after ") + excused];
    return unanswered(excused.isEmpty() ? Outcome::Missed : Outcome::Masked);
}

QString SoakRun::excuse(const QByteArray &line) const {
    // Auto random starts songs of its own accord, and an announcement comes half a second after
    // its song starts: it can land after any command.
    if (line.startsWith(m_playPrefix))
        return QStringLiteral("a now-playing line");
    // An answer that missed its three seconds, or whose command went to a room that was killed
    // and came back before the player answered.
    for (const Unanswered &earlier : m_unanswered) {
        if (earlier.match(line))
            return QStringLiteral("a late answer to an earlier command");
        if (!earlier.unseen.isEmpty() && earlier.unseen == line)
            return QStringLiteral("an earlier command the room let in late");
    }
    return QString();
}

void SoakRun::wordCommand() {
    static const QList<QByteArray> words = {
        "pause", "unpause",           "play", "ff", "fr", "ar", "ar", "ar", "xar",
        "clear", "r zzz no such song"};
    const QByteArray word = words.at(m_random.bounded(int(words.size())));
    const QByteArray answer =
        word.startsWith("r ") ? "error ; no files found to play" : m_answers.value(word);
    // Now and then under the user's name spelled as another client might: capitals, spaces.
    QByteArray speaker;
    if (m_random.bounded(10) == 0)
        speaker = m_me.toUpper().insert(1, ' ');
    const Outcome outcome = command(
        word, [answer](const QByteArray &t) { return t == answer; }, speaker, true);
    ++m_counts[QStringLiteral("word commands ") + kOutcomeNames[int(outcome)]];
    if (outcome == Outcome::Missed || outcome == Outcome::Wrong) {
        fail(QStringLiteral("%1 \"%2\"%3")
                 .arg(outcome == Outcome::Wrong ? "\"" + m_wrongLine + "\", not the answer, to"
                                                : QByteArray("no answer in time to"),
                      QString::fromUtf8(word), speaker.isEmpty() ? "" : " said as " + speaker));
        printTranscriptEnd();
    }
}

void SoakRun::playCommand() {
    const int n = m_options.entries;
    QByteArray line;
    Match match = [this](const QByteArray &t) {
        return t.startsWith(m_playPrefix);
    };
    bool opensPicker = false;
    switch (m_random.bounded(5)) {
    case 0:
        line = "r";
        break;
    case 1:
        line = "r zq0" + QByteArray::number(m_random.bounded(n / 100));
        break;
    case 2:
        line = QByteArray::number(1 + m_random.bounded(n - 2));
        break;
    case 3:
        line = "p zq" + QByteArray::number(m_random.bounded(n)).rightJustified(4, '0');
        // A picker left open by an earlier "p" keeps its entries and takes this one too.
        match = [this](const QByteArray &t) {
            return t.startsWith(m_playPrefix) ||
                   t.endsWith(" files matched that string, Select One.");
        };
        break;
    default: // several matches: the picker opens and the count is said
        line = "p zq0" + QByteArray::number(m_random.bounded(n / 10)).rightJustified(2, '0');
        opensPicker = true;
        match = [](const QByteArray &t) {
            return QRegularExpression(
                       QStringLiteral("^\\d+ files matched that string, Select One\\.$"))
                .match(QString::fromUtf8(t))
                .hasMatch();
        };
    }
    // What played before matters only to a plain "r", which names no file.
    const std::optional<PlayerBus::Track> before =
        line == "r" ? m_bus.track() : std::optional<PlayerBus::Track>();
    Outcome outcome = command(line, match);
    if (outcome == Outcome::Missed && !opensPicker && tookPlayCommand(line, before))
        outcome = Outcome::Unannounced;
    ++m_counts[QStringLiteral("play commands ") + kOutcomeNames[int(outcome)]];
    if (outcome == Outcome::Wrong) {
        fail(QStringLiteral("\"%1\", not the answer, to \"%2\"")
                 .arg(QString::fromUtf8(m_wrongLine), QString::fromUtf8(line)));
        printTranscriptEnd();
    }
    // The same song drawn again is not announced again, so one miss is allowed; a row is not.
    m_playMissesInARow = outcome == Outcome::Missed ? m_playMissesInARow + 1 : 0;
    if (m_playMissesInARow == 3)
        fail(QStringLiteral("three play commands in a row unanswered, the last \"%1\"")
                 .arg(QString::fromUtf8(line)));
}

bool SoakRun::tookPlayCommand(const QByteArray &line,
                              const std::optional<PlayerBus::Track> &before) const {
    const std::optional<PlayerBus::Track> now = m_bus.track();
    if (!now || now->number == 0)
        return false;
    if (line.startsWith("r zq") || line.startsWith("p zq"))
        return now->url.contains(QString::fromLatin1(line.mid(2)));
    if (line == "r") // auto random may have started another, but only once a song ended
        return before && now->url != before->url;
    return now->number == line.toInt();
}

void SoakRun::noise() {
    // A burst: nothing in it is obeyed, so nothing waits for an answer.
    for (int burst = 2 + m_random.bounded(7); burst > 0; --burst)
        noiseLine();
}

void SoakRun::noiseLine() {
    static const QList<QByteArray> nearMisses = {"Pause",
                                                 " pause",
                                                 "pause ",
                                                 "stop",
                                                 "p",
                                                 "rr",
                                                 "xyzzy",
                                                 "03",
                                                 "0",
                                                 "-1",
                                                 "CLEAR",
                                                 "<b>zz</b>",
                                                 "<i>hello</i> <u>world",
                                                 "</FONT></B><BR>",
                                                 "&amp;&lt;&gt;",
                                                 "<!-- zz",
                                                 "<script>alert(1)</script>",
                                                 "%s %a %n %d %b %f",
                                                 "zandor.amp 4.0, hi"};
    QByteArray line;
    QString kind;
    switch (m_random.bounded(5)) {
    case 0: // larger than the room takes, now and then
        line = QByteArray(8000 + m_random.bounded(12000), "xyz"[m_random.bounded(3)]);
        kind = QStringLiteral("huge");
        break;
    case 1:
        for (int i = 1 + m_random.bounded(200); i > 0; --i)
            line += char(m_random.bounded(256));
        kind = QStringLiteral("binary");
        break;
    case 2:
        line = QByteArray::number(m_options.entries - 1 + m_random.bounded(3));
        kind = QStringLiteral("number out of range");
        break;
    default:
        line = nearMisses.at(m_random.bounded(int(nearMisses.size())));
        kind = QStringLiteral("invalid or markup");
    }
    // No wait for a fresh time stamp: nothing is expected of a noise line, so one the scanner
    // skips as a repeat within the same second is as good as one it reports.
    m_link.say(line);
    ++m_counts[QStringLiteral("lines typed")];
    ++m_counts[QStringLiteral("noise ") + kind];
    pause(20, 120);
}

void SoakRun::stranger() {
    static const QList<QByteArray> names = {"Mallory", "eve smith", "Ro&lt;b&gt;ot", "x"};
    static const QList<QByteArray> words = {"pause", "unpause", "play", "ff", "fr", "xar", "clear"};
    const QByteArray word = words.at(m_random.bounded(int(words.size())));
    QByteArray name = names.at(m_random.bounded(int(names.size())));
    if (m_random.bounded(3) == 0)
        name = m_me + "2"; // the user's name with a tail is someone else
    const QByteArray answer = m_answers.value(word);
    const Outcome outcome = command(
        word, [answer](const QByteArray &t) { return t == answer; }, name);
    ++m_counts[QStringLiteral("lines of other members")];
    if (outcome == Outcome::Answered)
        fail(QStringLiteral("obeyed \"%1\" said by %2")
                 .arg(QString::fromUtf8(word), QString::fromUtf8(name)));
    if (outcome == Outcome::Wrong)
        fail(QStringLiteral("said \"%1\" after \"%2\" of %3")
                 .arg(QString::fromUtf8(m_wrongLine), QString::fromUtf8(word),
                      QString::fromUtf8(name)));
}

bool SoakRun::deletePlaying() {
    const QByteArray token =
        "zq" + QByteArray::number(m_random.bounded(m_options.entries)).rightJustified(4, '0');
    // "r" with a text only one file has: "p" would add to a picker left open by an earlier "p".
    const Outcome outcome = command("r " + token, [this, token](const QByteArray &t) {
        return t.startsWith(m_playPrefix) && t.contains(token);
    });
    if (outcome != Outcome::Answered) {
        ++m_counts[QStringLiteral("deletion waits: play ") + kOutcomeNames[int(outcome)]];
        if (outcome == Outcome::Wrong)
            fail(QStringLiteral("\"%1\", not the answer, to \"r %2\"")
                     .arg(QString::fromUtf8(m_wrongLine), QString::fromLatin1(token)));
        return false;
    }
    QDirIterator files(m_options.libraryFolder, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        if (path.contains(QString::fromLatin1(token)) && QFile::remove(path)) {
            ++m_counts[QStringLiteral("faults: file deleted while playing")];
            std::printf("soak: deleted %s while it plays\n", qPrintable(path));
            return true;
        }
    }
    return false;
}

void SoakRun::maybeKillRoom() {
    if (m_clock.elapsed() < m_nextKillMs)
        return;
    m_room.kill();
    ++m_counts[QStringLiteral("faults: room killed and restarted")];
    QThread::msleep(200 + m_random.bounded(1800));
    if (!startRoom())
        fail(QStringLiteral("the room did not come back after a restart"));
    m_nextKillMs = m_clock.elapsed() + 10000 + m_random.bounded(30000);
}

void SoakRun::awaitQuietRoom() {
    // Lines typed before may still wait in the room, which lets them in a hold apart; a transcript
    // replaced now would have them come in after the command, as if said in answer to it. Once
    // nothing has come in for longer than a hold, nothing waits.
    QElapsedTimer waited;
    waited.start();
    QElapsedTimer quiet;
    quiet.start();
    std::optional<QByteArray> last = m_link.transcript();
    while (quiet.elapsed() <= LinePacer::hold.count() + 100 && waited.elapsed() < kQueueLimitMs) {
        QThread::msleep(kPollMs);
        std::optional<QByteArray> now = m_link.transcript();
        if (now != last) {
            last = std::move(now);
            quiet.restart();
        }
    }
}

void SoakRun::awaitFreshStamp(const QByteArray &line) {
    // The scanner skips a last line equal to the one it reported last, time stamp included, so
    // the same line twice within one second of the clock may rightly go unseen: a second and a
    // little more between the two keeps their stamps apart.
    const auto last = m_lastTyped.constFind(line);
    if (last != m_lastTyped.cend()) {
        const qint64 since = QDateTime::currentMSecsSinceEpoch() - *last;
        if (since < 1100)
            QThread::msleep(1100 - since);
    }
    m_lastTyped[line] = QDateTime::currentMSecsSinceEpoch();
}

void SoakRun::printTranscriptEnd() {
    // To tell the player's fault from the room's or the soak's.
    const QByteArray now = m_link.transcript().value_or(QByteArray());
    std::printf("%s\n", now.right(1500).constData());
}

void SoakRun::fail(const QString &why) {
    std::printf("soak: FAIL at %.1f s: %s\n", m_clock.elapsed() / 1000.0, qPrintable(why));
    std::fflush(stdout);
    m_failures << why;
}

void SoakRun::pause(int fromMs, int toMs) {
    QThread::msleep(fromMs + m_random.bounded(toMs - fromMs + 1));
}

int SoakRun::run() {
    m_clock.start();
    m_nextKillMs = std::numeric_limits<qint64>::max();
    if (!startRoom()) {
        fail(QStringLiteral("the room did not start"));
        return 1;
    }
    std::printf("soak: room up\n");
    std::fflush(stdout);
    if (!waitForPlayer()) {
        fail(QStringLiteral("the player never obeyed \"ar\""));
        return 1;
    }
    std::printf("soak: player obeys after %.1f s\n", m_clock.elapsed() / 1000.0);
    if (!m_bus.track())
        std::printf("soak: the player's media controls are not on a session bus: a play command "
                    "is judged by its now-playing line alone\n");
    std::fflush(stdout);
    m_clock.restart();
    m_nextKillMs = 5000 + m_random.bounded(15000);
    const qint64 endMs = qint64(m_options.seconds) * 1000;
    // Two files go while they play: a third of the way in and two thirds.
    QList<qint64> deletions = {endMs / 3, 2 * endMs / 3};
    qint64 nextMinute = 60000;
    while (m_clock.elapsed() < endMs && m_room.diedOnItsOwn().isEmpty()) {
        // Auto random may start another song before the announcement: then try again soon.
        if (!deletions.isEmpty() && m_clock.elapsed() >= deletions.first()) {
            if (deletePlaying())
                deletions.removeFirst();
            else
                deletions.first() += 3000;
        }
        const int pick = m_random.bounded(100);
        if (pick < 35)
            wordCommand();
        else if (pick < 60)
            playCommand();
        else if (pick < 90)
            noise();
        else
            stranger();
        maybeKillRoom();
        pause(0, 200);
        if (m_clock.elapsed() >= nextMinute) {
            nextMinute += 60000;
            std::printf("soak: %lld s, %d lines typed\n", m_clock.elapsed() / 1000,
                        m_counts.value(QStringLiteral("lines typed")));
            std::fflush(stdout);
        }
    }
    if (!m_room.diedOnItsOwn().isEmpty())
        fail(m_room.diedOnItsOwn());
    const auto count = [this](const char *kind, Outcome outcome) {
        return m_counts.value(QLatin1String(kind) + QLatin1String(kOutcomeNames[int(outcome)]));
    };
    const auto said = [&](Outcome outcome) {
        return count("word commands ", outcome);
    };
    const auto played = [&](Outcome outcome) {
        return count("play commands ", outcome);
    };
    // A play command the player took counts as answered, announced or not (a song that starts
    // after the player's half-second check is rightly not announced, which a loaded machine makes
    // common). One it did not take counts only in a row (above): without a session bus, nothing
    // tells it from a late start. A word command's silence is a failure of its own.
    const int answered =
        said(Outcome::Answered) + played(Outcome::Answered) + played(Outcome::Unannounced);
    const int typedWhileUp = answered + said(Outcome::Masked) + said(Outcome::Missed) +
                             said(Outcome::Wrong) + played(Outcome::Masked) +
                             played(Outcome::Wrong);
    if (played(Outcome::Answered) == 0 &&
        played(Outcome::Missed) + played(Outcome::Unannounced) >= 3)
        fail(QStringLiteral("no play command answered"));
    if (answered * 100 < typedWhileUp * kLeastAnsweredPercent || typedWhileUp == 0)
        fail(QStringLiteral("%1 of %2 commands answered correctly, under %3%")
                 .arg(answered)
                 .arg(typedWhileUp)
                 .arg(kLeastAnsweredPercent));
    report();
    return m_failures.isEmpty() ? 0 : 1;
}

void SoakRun::report() const {
    const int answered = m_counts.value(QStringLiteral("word commands answered")) +
                         m_counts.value(QStringLiteral("play commands answered"));
    std::printf("soak: member's figures over %lld s (seed %u)\n", m_clock.elapsed() / 1000, m_seed);
    for (auto it = m_counts.cbegin(); it != m_counts.cend(); ++it)
        std::printf("  %-45s %d\n", qPrintable(it.key()), it.value());
    std::printf("  %-45s %lld ms (\"%s\")\n", "slowest answer", m_slowestMs,
                m_slowestCommand.left(40).constData());
    std::printf("  %-45s %lld ms\n", "mean answer", answered ? m_totalAnswerMs / answered : 0);
    for (const QString &failure : m_failures)
        std::printf("  FAILED: %s\n", qPrintable(failure));
    std::fflush(stdout);
}
