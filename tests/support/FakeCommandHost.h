#pragma once

#include "commands/CommandHost.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// A main window as the command interpreter sees it, with a real Library. Every action is
// recorded in order as text, so tests can assert the order of action and reply:
//   "setScreenName:<name>", "sendChat:<text>", "clearChat", "playFile:<text>",
//   "random:<highest>,<lowest>", "startEntry:<row>", "playerPlay", "playerPause",
//   "playerFastForward", "playerFastReverse", "setAutoRandom:1" / "setAutoRandom:0",
//   "pickerLoad", "pickerAdd:<text>", "pickerUnload", "pickerShow".
// Reads (screenName, library, pickerCount and the three answer texts) are not recorded.
class FakeCommandHost : public CommandHost {
public:
    FakeCommandHost();
    ~FakeCommandHost() override;

    QString screenName() const override;
    void setScreenName(const QString &name) override;
    void sendChat(const QString &text) override;
    void clearChat() override;
    const Library &library() const override;
    void playFile(const QString &text) override;
    int random(int highest, int lowest) override;
    QList<int> drawable(const QList<int> &rows) override { return rows; }
    void startEntry(int row) override;
    void playerPlay() override;
    void playerPause() override;
    void playerFastForward() override;
    void playerFastReverse() override;
    QString pauseText() const override;
    QString forwardText() const override;
    QString reverseText() const override;
    void setAutoRandom(bool on) override;
    QString listenAlongUrl() const override { return listenUrl; }
    void pickerLoad() override;
    void pickerAdd(int row) override;
    int pickerCount() const override;
    void pickerUnload() override;
    void pickerShow() override;

    // Adds each file from one folder to the library.
    void addFiles(const QStringList &files, const QString &folder = QStringLiteral("/music"));
    // A small library with shared words, case differences and one two-word band.
    static const QStringList &sampleSongs();
    Library &mutableLibrary();

    QStringList calls;
    QString labSN = QStringLiteral("Click To Set");
    QString txtPause = QStringLiteral("media paused");
    QString txtFor = QStringLiteral("fast forwarding");
    QString txtRev = QStringLiteral("fast reversing");
    bool autoRandom = false;
    QString listenUrl;
    // Gets (highest, lowest); by default returns `lowest`.
    std::function<int(int, int)> randomFunction;
    // Called by sendChat after recording, e.g. to pass the text on to a real scanner.
    std::function<void(const QString &)> onSendChat;

    // The picker as the interpreter left it.
    bool pickerLoaded = false;
    bool pickerVisible = false;
    QStringList pickerEntries;

private:
    std::unique_ptr<Library> m_library;
};
