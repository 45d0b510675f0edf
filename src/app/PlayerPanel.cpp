#include "app/PlayerPanel.h"

#include "app/MainWindowUi.h"
#include "chat/ChatScanner.h"
#include "library/Fold.h"
#include "library/Library.h"
#include "player/Announcement.h"
#include "player/MediaPlayer.h"
#include "player/RandomNumber.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTimer>

#include <numeric>

PlayerPanel::PlayerPanel(MainWindowUi &widgets, MediaPlayer &player, Library &library,
                         ChatScanner &chat, std::function<bool()> noRepeats, QObject *parent)
    : QObject(parent), ui(widgets), m_player(player), m_library(library), m_chat(chat),
      m_noRepeats(std::move(noRepeats)) {}

void PlayerPanel::playFile(const QString &file) {
    if (file.isEmpty())
        return;
    const int row = m_library.firstDisplayMatch(fold(file));
    if (row < 0)
        return;
    ui.lstFiles->setCurrentIndex(m_library.index(row, Library::PathColumn));
    startEntry(row);
}

void PlayerPanel::startEntry(int row) {
    // Set first: whoever hears the player's status change asks which entry it is.
    m_entry = row;
    m_bag.played(m_library.fullPath(row));
    m_player.setURL(m_library.fullPath(row));
    ui.txtNum->setText(QString::number(row + 1));
    // Switching on the announcement check while it is on must not restart its countdown.
    if (!ui.Timer1->isActive())
        ui.Timer1->start();
}

void PlayerPanel::wmp_StatusChange() {
    const MediaItem *media = m_player.currentMedia();
    if (!media)
        return;
    ui.txtSong->setText(media->getItemInfo(QStringLiteral("author")) + QStringLiteral(" - ") +
                        media->getItemInfo(QStringLiteral("name")));
    ui.txtDur->setText(media->durationString());
}

std::optional<QString> PlayerPanel::composeAnnouncement() const {
    const MediaItem *media = m_player.currentMedia();
    if (!media)
        return std::nullopt;
    bool isNumber = false;
    const int number = ui.txtNum->text().toInt(&isNumber);
    if (!isNumber || number < 1 || number > m_library.count())
        return std::nullopt;
    Announcement::Values values;
    values.author = media->getItemInfo(QStringLiteral("author"));
    values.name = media->getItemInfo(QStringLiteral("name"));
    values.number = ui.txtNum->text();
    values.duration = ui.txtDur->text();
    values.bitRate = m_player.bitRate();
    values.libraryLine = m_library.displayLine(number - 1);
    return Announcement::expand(ui.txtPlay->text(), values);
}

void PlayerPanel::Timer1_Timer() {
    if (ui.txtSong->text() != ui.txtOldSong->text()) {
        ui.txtOldSong->setText(ui.txtSong->text());
        if (const auto text = composeAnnouncement())
            m_chat.SendChat(*text);
    }
    ui.Timer1->stop();
}

void PlayerPanel::tmrRandom_Timer() {
    if (!ui.chkRandom->isChecked() || m_player.currentPosition() != 0)
        return;
    if (!m_noRepeats()) {
        const int row = randomBetween(m_library.count() - 1, 0);
        if (row >= 0 && row < m_library.count())
            playFile(m_library.displayLine(row));
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
    playFile(m_library.displayLine(row));
}

QList<int> PlayerPanel::drawable(const QList<int> &rows) {
    if (!m_noRepeats())
        return rows;
    return m_bag.unplayedAmong(rows, [this](int row) { return m_library.fullPath(row); });
}
