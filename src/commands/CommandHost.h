#pragma once

#include <QList>
#include <QString>

class Library;

// What the chat command interpreter reaches of the player. The session implements it; tests use
// a fake.
class CommandHost {
public:
    virtual ~CommandHost() = default;

    // labSN's caption.
    virtual QString screenName() const = 0;
    virtual void setScreenName(const QString &name) = 0;

    // chat1.SendChat: typed into the chat only while "Chat Sends" is checked.
    virtual void sendChat(const QString &text) = 0;
    // Overwrites the transcript with the "Chat Cleared!" notice.
    virtual void clearChat() = 0;

    // lstSong / lstFiles.
    virtual const Library &library() const = 0;
    // Plays the first entry whose folded display line contains the folded text.
    virtual void playFile(const QString &text) = 0;
    // A whole number from lowest to highest, both included.
    virtual int random(int highest, int lowest) = 0;
    // The candidate rows a random draw may take: with "No Repeats" on, those that have not played
    // since the bag was last refilled; otherwise all of them. Empty only when `rows` is.
    virtual QList<int> drawable(const QList<int> &rows) = 0;
    // Starts library entry `row` without touching the lstFiles selection: the player's URL
    // becomes its full path, txtNum shows row + 1 and Timer1 is switched on.
    virtual void startEntry(int row) = 0;

    // The player's controls.
    virtual void playerPlay() = 0;
    virtual void playerPause() = 0;
    virtual void playerFastForward() = 0;
    virtual void playerFastReverse() = 0;

    // The texts of txtPause, txtFor and txtRev as they stand now.
    virtual QString pauseText() const = 0;
    virtual QString forwardText() const = 0;
    virtual QString reverseText() const = 0;

    // chkRandom.
    virtual void setAutoRandom(bool on) = 0;

    // The address of the stream listeners open; empty while nothing streams.
    virtual QString listenAlongUrl() const = 0;

    // The multiple-match picker frmMulti.
    // Loads it without showing it; a picker already loaded keeps its entries.
    virtual void pickerLoad() = 0;
    // Lists library entry `row`.
    virtual void pickerAdd(int row) = 0;
    virtual int pickerCount() const = 0;
    virtual void pickerUnload() = 0;
    // Makes it visible, modeless.
    virtual void pickerShow() = 0;
    // The picker offered entry `row` by its number: typing that number picks it, even where a
    // number alone could not reach it.
    virtual bool pickerOffers(int row) const {
        (void)row;
        return false;
    }
};
