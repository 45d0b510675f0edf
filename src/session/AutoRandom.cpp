#include "session/AutoRandom.h"

#include "library/Library.h"
#include "player/MediaPlayer.h"
#include "player/RandomNumber.h"

#include <numeric>

AutoRandom::AutoRandom(MediaPlayer &player, const Library &library,
                       std::function<void(const QString &)> playFile,
                       std::function<bool()> noRepeats, QObject *parent)
    : QObject(parent), m_player(player), m_library(library), m_playFile(std::move(playFile)),
      m_noRepeats(std::move(noRepeats)), m_timer(this) {
    m_timer.setObjectName(QStringLiteral("tmrRandom"));
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &AutoRandom::tick);
    m_timer.start();
}

void AutoRandom::setOn(bool on) {
    if (on == m_on)
        return;
    m_on = on;
    emit switched(on);
}

void AutoRandom::tick() {
    if (!m_on || m_player.currentPosition() != 0)
        return;
    if (!m_noRepeats()) {
        const int row = randomBetween(m_library.count() - 1, 0);
        if (row >= 0 && row < m_library.count())
            m_playFile(m_library.displayLine(row));
        return;
    }
    QList<int> rows(m_library.count());
    std::iota(rows.begin(), rows.end(), 0);
    rows = drawable(rows);
    if (rows.isEmpty())
        return;
    const int row = rows.at(randomBetween(int(rows.size()) - 1, 0));
    // The line may start an earlier entry that contains it; the drawn one still had its turn, or
    // it would be drawn again and again.
    m_bag.played(m_library.fullPath(row));
    m_playFile(m_library.displayLine(row));
}

QList<int> AutoRandom::drawable(const QList<int> &rows) {
    if (!m_noRepeats())
        return rows;
    return m_bag.unplayedAmong(rows, [this](int row) { return m_library.fullPath(row); });
}
