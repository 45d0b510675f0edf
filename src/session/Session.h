#pragma once

#include "commands/CommandHost.h"
#include "player/MediaPlayer.h"
#include "session/Settings.h"

#include <QObject>
#include <QString>
#include <iterator>
#include <memory>

class AllFormats;
class AutoRandom;
class ChatPicker;
class ChatScanner;
class CloseGuard;
class CommandInterpreter;
class FolderScanner;
class Library;
class NowPlaying;
class Picker;
class StreamFollower;
struct Platform;

// The player without its window: the library, the media player, the chat scanner and the
// interpreter of the owner's lines, the settings, what plays and its announcement, auto random,
// the five chat texts and the stream's follower. It needs QtCore alone, so it runs as it is on a
// server without a display; with a window, the window shows its state and forwards the user's
// clicks to it. Everything happens on the thread that made it, in timer ticks and handlers.
class Session : public QObject, public CommandHost {
    Q_OBJECT
public:
    explicit Session(Platform &platform, QObject *parent = nullptr);
    ~Session() override;

    Settings &settings() { return m_settings; }
    Library &songs() { return *m_library; }
    MediaPlayer &player() { return *m_player; }
    ChatScanner &scanner() { return *m_chat1; }
    CommandInterpreter &interpreter() { return *m_interpreter; }
    FolderScanner &folderScanner() { return *m_scanner; }
    NowPlaying &nowPlaying() const { return *m_nowPlaying; }
    AutoRandom &autoRandom() { return *m_autoRandom; }
    StreamFollower &stream() { return *m_stream; }
    // "All Formats": which files the folder scan takes.
    AllFormats &allFormats() { return *m_allFormats; }
    // Held by every wait that runs events inside a handler (the scan's, and the window's boxes
    // and menus): a close asked for meanwhile runs once the last one has ended.
    CloseGuard &closeGuard() { return *m_guard; }
    QString settingsPath() const;

    // The load sequence, less what only a window does: the settings file read, chat scanning on,
    // the greeting said, the start counted, the remembered folder scanned, the five texts and the
    // stream restored.
    void load();
    void loadSettings();
    // The close sequence's writes: the five texts stored, then the settings file written. False,
    // with `error` set, when the file could not be written.
    void storeTexts();
    bool writeSettings(QString *error);

    // Adds the media files of a folder and its subfolders, as "Add Files" does; returns when the
    // scan is done. Events run during its wait.
    void addfiles(const QString &folder);
    void AddIt(const QString &file, const QString &path);
    // Waits, running events meanwhile.
    void PaUse(double seconds);
    // Starts entry `row`, or loads it to begin paused or stopped.
    void loadEntry(int row, MediaPlayer::Start start);
    // A random entry as "r" draws one, begun as `start` says; false when none could be drawn.
    bool loadRandom(MediaPlayer::Start start);

    bool chatScanOn() const { return m_chatScan; }
    void setChatScan(bool on);
    bool chatSendsOn() const { return m_chatSends; }
    void setChatSends(bool on) { m_chatSends = on; }
    bool autoRandomOn() const;
    QString text(Settings::Text which) const;
    void setText(Settings::Text which, const QString &text);
    // The window's picker; without one, "p" lists its matches in the chat.
    void setPicker(Picker *picker);

    // CommandHost
    QString screenName() const override { return m_screenName; }
    void setScreenName(const QString &name) override;
    void sendChat(const QString &text) override;
    void clearChat() override;
    const Library &library() const override { return *m_library; }
    void playFile(const QString &text) override;
    int random(int highest, int lowest) override;
    QList<int> drawable(const QList<int> &rows) override;
    void startEntry(int row) override;
    void playerPlay() override;
    void playerPause() override;
    void playerFastForward() override;
    void playerFastReverse() override;
    QString pauseText() const override { return text(Settings::Text::Pause); }
    QString forwardText() const override { return text(Settings::Text::Forward); }
    QString reverseText() const override { return text(Settings::Text::Reverse); }
    void setAutoRandom(bool on) override;
    QString listenAlongUrl() const override;
    void pickerLoad() override;
    void pickerAdd(int row) override;
    int pickerCount() const override;
    void pickerUnload() override;
    void pickerShow() override;
    bool pickerOffers(int row) const override;

signals:
    // The entry number, caption, duration or last announced caption changed (nowPlaying()).
    void nowPlayingChanged();
    // The player has started a new item, playing or paused.
    void itemStarted(int entry, const QString &caption, const QString &duration);
    void playStateChanged(MediaPlayer::PlayState state);
    void seeked(double seconds);
    void libraryChanged();
    void libraryFull();
    // playFile found entry `row` (the window selects it in its lstFiles).
    void fileChosen(int row);
    void screenNameChanged(const QString &name);
    void autoRandomChanged(bool on);
    void textChanged(Settings::Text which, const QString &text);
    void listenAlongChanged(bool on);

private:
    void statusChanged();
    Picker &picker() const;

    Platform &m_platform;
    Settings m_settings;
    CloseGuard *m_guard;
    std::unique_ptr<Library> m_library;
    MediaPlayer *m_player;
    ChatScanner *m_chat1;
    NowPlaying *m_nowPlaying;
    AutoRandom *m_autoRandom;
    StreamFollower *m_stream;
    AllFormats *m_allFormats;
    std::unique_ptr<CommandInterpreter> m_interpreter;
    std::unique_ptr<FolderScanner> m_scanner;
    std::unique_ptr<ChatPicker> m_chatPicker;
    Picker *m_picker = nullptr;
    QString m_screenName;
    QString m_texts[std::size(Settings::kTexts)];
    MediaPlayer::PlayState m_state = MediaPlayer::PlayState::Stopped;
    bool m_chatScan = true;
    bool m_chatSends = true;
};
