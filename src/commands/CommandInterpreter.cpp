#include "commands/CommandInterpreter.h"

#include "chat/AimChat.h"
#include "commands/CommandHost.h"
#include "library/Fold.h"
#include "library/Library.h"
#include "platform/ProductNames.h"

QString CommandInterpreter::initialScreenName() {
    return QStringLiteral("Click To Set");
}

QString CommandInterpreter::closedScreenName() {
    return QStringLiteral("click to set");
}

CommandInterpreter::CommandInterpreter(CommandHost &host) : m_host(host) {}

void CommandInterpreter::chat1_aimchatscan(QString &whosaid, QString &whatsaid, QString &datesaid) {
    Q_UNUSED(datesaid);

    whosaid.remove(QChar(13));

    if (whatsaid.contains(QLatin1String(product::kNameTag)) &&
        m_host.screenName() == initialScreenName()) {
        m_host.setScreenName(fold(whosaid));
        m_host.sendChat(QStringLiteral("found username: ") + m_host.screenName());
    }

    // Whatever the first line was, automatic learning is over after it. The lower-case text can
    // never equal a folded name (it holds spaces), so nothing is obeyed until a name is set.
    if (m_host.screenName() == initialScreenName())
        m_host.setScreenName(closedScreenName());

    if (m_host.screenName() != fold(whosaid))
        return;

    if (whatsaid == QLatin1String("r"))
        whatsaid = QStringLiteral("r ");

    // The last two entries cannot be chosen by number. The line goes on to the next steps, which
    // a numeral never matches.
    const int number = entryNumber(whatsaid);
    const Library &library = m_host.library();
    if (number >= 1 && number <= library.count() - 2)
        m_host.playFile(library.displayLine(number - 1));
    else if (number >= 1 && number <= library.count() && m_host.pickerOffers(number - 1))
        m_host.playFile(library.displayLine(number - 1));

    if (searchAndPick(whatsaid))
        return;
    if (randomAmongMatches(whatsaid))
        return;
    wordCommand(whatsaid);
}

int CommandInterpreter::entryNumber(const QString &text) {
    // Exactly the digits of a numeral: no sign, no spaces, no leading zero. Five digits cover
    // every entry number (the library holds at most 32767 entries).
    if (text.isEmpty() || text.size() > 5 || text.at(0) == QLatin1Char('0'))
        return 0;
    int number = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
        number = number * 10 + (c.unicode() - u'0');
    }
    return number;
}

bool CommandInterpreter::searchAndPick(const QString &whatsaid) {
    if (!whatsaid.startsWith(QLatin1String("p ")))
        return false;

    m_host.pickerLoad();
    // The line is HTML, where "&" of "Rock & Roll" reads "&amp;": the search is for what the user
    // typed.
    const QString search = aimchat::DecodeEntities(whatsaid.mid(2));
    const QString key = fold(search);
    const Library &library = m_host.library();
    for (const int row : library.displayMatches(key))
        m_host.pickerAdd(row);

    const int listed = m_host.pickerCount();
    if (listed == 1) {
        m_host.playFile(search);
        m_host.pickerUnload();
        return true;
    }
    m_host.sendChat(QString::number(listed) +
                    QStringLiteral(" files matched that string, Select One."));
    m_host.pickerShow();
    return true;
}

bool CommandInterpreter::randomAmongMatches(const QString &whatsaid) {
    if (!whatsaid.startsWith(QLatin1String("r ")))
        return false;

    bool found = false;
    const int row = drawAmong(aimchat::DecodeEntities(whatsaid.mid(2)), &found);
    if (!found)
        m_host.sendChat(QStringLiteral("error ; no files found to play"));
    else if (row >= 0)
        m_host.startEntry(row);
    return true;
}

int CommandInterpreter::drawAmong(const QString &search, bool *found) {
    const QString key = fold(search);
    RandomPool.append(m_host.library().displayMatches(key));
    if (found)
        *found = !RandomPool.isEmpty();
    int drawn = -1;
    if (!RandomPool.isEmpty()) {
        RandomPool = m_host.drawable(RandomPool);
        const int pick = m_host.random(static_cast<int>(RandomPool.size()), 1);
        // A draw outside the candidates is a failed step: nothing is started.
        if (pick >= 1 && pick <= RandomPool.size())
            drawn = RandomPool.at(pick - 1);
    }
    RandomPool.clear();
    return drawn;
}

void CommandInterpreter::wordCommand(const QString &whatsaid) {
    if (whatsaid == QLatin1String("clear") || whatsaid == QLatin1String("clr")) {
        m_host.clearChat();
        m_host.sendChat(QStringLiteral("chat clear"));
    } else if (whatsaid == QLatin1String("pause")) {
        m_host.playerPause();
        m_host.sendChat(m_host.pauseText());
    } else if (whatsaid == QLatin1String("unpause")) {
        m_host.playerPlay();
        m_host.sendChat(QStringLiteral("media unpaused"));
    } else if (whatsaid == QLatin1String("play")) {
        m_host.playerPlay();
        m_host.sendChat(QStringLiteral("media playing"));
    } else if (whatsaid == QLatin1String("ff")) {
        m_host.playerFastForward();
        m_host.sendChat(m_host.forwardText());
    } else if (whatsaid == QLatin1String("fw") || whatsaid == QLatin1String("fr")) {
        // "fw" reverses too.
        m_host.playerFastReverse();
        m_host.sendChat(m_host.reverseText());
    } else if (whatsaid == QLatin1String("ar")) {
        // Said first, switched after.
        m_host.sendChat(QStringLiteral("auto random enabled"));
        m_host.setAutoRandom(true);
    } else if (whatsaid == QLatin1String("xar")) {
        m_host.sendChat(QStringLiteral("auto random disabled"));
        m_host.setAutoRandom(false);
    } else if (whatsaid == QLatin1String("listen")) {
        const QString url = m_host.listenAlongUrl();
        m_host.sendChat(url.isEmpty() ? QStringLiteral("listen along is off")
                                      : QStringLiteral("listen along: ") + url);
    }
}
