#include "session/Session.h"

#include "chat/AimChat.h"
#include "chat/ChatScanner.h"
#include "commands/CommandInterpreter.h"
#include "library/AllFormats.h"
#include "library/Fold.h"
#include "library/FolderScanner.h"
#include "library/Library.h"
#include "platform/MediaEngine.h"
#include "platform/Platform.h"
#include "platform/ProductNames.h"
#include "player/RandomNumber.h"
#include "session/AutoRandom.h"
#include "session/ChatPicker.h"
#include "session/CloseGuard.h"
#include "session/NowPlaying.h"
#include "session/StreamFollower.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace {

// The five texts as a first start has them, in the order of Settings::Text.
const char *const kDesignTexts[] = {
    "playing %s by %a, duration %d, number %n, bitrate %b",
    "Media Stopped",
    "Media Paused",
    "fast forwarding, use play to resume normal playing...",
    "rast reversing, use play to resume normal playing...",
};

} // namespace

Session::Session(Platform &platform, QObject *parent)
    : QObject(parent), m_platform(platform), m_guard(new CloseGuard(this)),
      m_library(std::make_unique<Library>()),
      m_player(new MediaPlayer(platform.makeEngine(), *platform.tagReader, this)),
      m_screenName(CommandInterpreter::initialScreenName()) {
    m_player->setObjectName(QStringLiteral("wmpPlayer"));
    for (Settings::Text which : Settings::kTexts)
        m_texts[int(which)] = QString::fromLatin1(kDesignTexts[int(which)]);

    m_chat1 = new ChatScanner(
        *platform.chatWindow, [this] { return m_chatSends; }, this);
    m_chat1->setObjectName(QStringLiteral("chat1"));
    const auto say = [this](const QString &line) {
        m_chat1->SendChat(line);
    };
    m_nowPlaying = new NowPlaying(
        *m_player, *m_library, say, [this] { return text(Settings::Text::Play); }, this);
    m_autoRandom = new AutoRandom(
        *m_player, *m_library, [this](const QString &line) { playFile(line); },
        [this] { return m_settings.noRepeats(); }, this);
    m_stream = new StreamFollower(
        platform.stream, *m_player, m_settings, [this] { return m_nowPlaying->caption(); }, this);
    m_interpreter = std::make_unique<CommandInterpreter>(*this);
    m_chatPicker = std::make_unique<ChatPicker>(*m_library, say);

    FolderScanner::Hooks hooks;
    hooks.storeFolder = [this](const QString &folder) {
        m_settings.setLibraryFolder(folder);
    };
    hooks.pause = [this](double seconds) {
        PaUse(seconds);
    };
    hooks.showProgress = false;
    m_scanner = std::make_unique<FolderScanner>(m_library.get(), platform.tagReader, hooks);
    m_allFormats = new AllFormats([this] { return m_settings.allFormats(); },
                                  [this](bool on) { m_settings.setAllFormats(on); }, this);
    m_scanner->setFormats(m_allFormats);
    // Switched on: the remembered folder is scanned again to take in what it left out.
    connect(m_allFormats, &AllFormats::switchedOn, this,
            [this] { addfiles(m_settings.libraryFolder()); });

    connect(m_scanner.get(), &FolderScanner::walkFinished, m_autoRandom, &AutoRandom::refill);
    connect(m_chat1, &ChatScanner::aimchatscan, this,
            [this](QString &whosaid, QString &whatsaid, QString &datesaid) {
                m_interpreter->chat1_aimchatscan(whosaid, whatsaid, datesaid);
            });
    connect(m_player, &MediaPlayer::StatusChange, this, &Session::statusChanged);
    connect(m_player, &MediaPlayer::itemStarted, this, [this] {
        emit itemStarted(m_nowPlaying->entry(), m_nowPlaying->caption(), m_nowPlaying->duration());
        m_stream->itemStarted();
    });
    connect(m_player, &MediaPlayer::seeked, this, [this](double seconds) {
        m_stream->seeked(seconds);
        emit seeked(seconds);
    });
    connect(m_nowPlaying, &NowPlaying::changed, this, &Session::nowPlayingChanged);
    connect(m_autoRandom, &AutoRandom::switched, this, &Session::autoRandomChanged);
    connect(m_stream, &StreamFollower::switched, this, &Session::listenAlongChanged);
    connect(m_library.get(), &Library::modelReset, this, &Session::libraryChanged);
    connect(m_library.get(), &Library::rowsInserted, this, &Session::libraryChanged);
    connect(m_library.get(), &Library::rowsRemoved, this, &Session::libraryChanged);
    connect(m_library.get(), &Library::becameFull, this, &Session::libraryFull);
}

Session::~Session() {
    // The stream's follower tells the stream, which outlives this session, that nothing plays;
    // it must go while the player it asks is still here.
    delete m_stream;
}

QString Session::settingsPath() const {
    return QDir(m_platform.programFolder).filePath(QString::fromLatin1(Settings::kFileName));
}

void Session::load() {
    // The folder scan waits with events running; a close asked for meanwhile runs afterwards.
    const CloseGuard::Hold hold(*m_guard);
    loadSettings();
    m_allFormats->restore();
    const qint64 starts = m_settings.startCount();
    setChatScan(true);
    m_chat1->SendChat(product::loadAnnouncement());
    m_settings.setStartCount(starts + 1);
    const QString folder = m_settings.libraryFolder();
    if (!folder.isEmpty())
        addfiles(folder);
    // Each box takes its stored value, absent or empty ones too, but only when the first is set.
    if (m_settings.holdsTexts()) {
        for (Settings::Text which : Settings::kTexts)
            setText(which, m_settings.text(which));
    }
    m_stream->restore();
}

void Session::loadSettings() {
    QStringList entries;
    SettingsStore::LoadListFromFile(settingsPath(), entries);
    m_settings.store().setEntries(entries);
}

void Session::storeTexts() {
    for (Settings::Text which : Settings::kTexts)
        m_settings.setText(which, text(which));
}

bool Session::writeSettings(QString *error) {
    storeTexts();
    return SettingsStore::SaveListToFile(settingsPath(), m_settings.store().entries(), error);
}

void Session::addfiles(const QString &folder) {
    const CloseGuard::Hold hold(*m_guard);
    m_scanner->addfiles(folder);
}

void Session::AddIt(const QString &file, const QString &path) {
    m_library->AddIt(file, path);
}

void Session::PaUse(double seconds) {
    const CloseGuard::Hold hold(*m_guard);
    QElapsedTimer elapsed;
    elapsed.start();
    const qint64 total = qint64(seconds * 1000.0);
    // A nested event loop that sleeps between events: input, timers and chat lines are handled
    // during the wait without spinning a core.
    while (elapsed.elapsed() < total) {
        QEventLoop loop;
        QTimer::singleShot(int(total - elapsed.elapsed()), &loop, &QEventLoop::quit);
        loop.exec();
    }
}

void Session::loadEntry(int row, MediaPlayer::Start start) {
    if (row < 0 || row >= m_library->count())
        return;
    // Whoever hears the player's status change asks which entry it is: set first.
    m_autoRandom->played(m_library->fullPath(row));
    m_nowPlaying->started(row);
    m_player->load(m_library->fullPath(row), start);
}

bool Session::loadRandom(MediaPlayer::Start start) {
    const int row = m_interpreter->drawAmong(QString());
    if (row < 0)
        return false;
    loadEntry(row, start);
    return true;
}

void Session::statusChanged() {
    m_nowPlaying->follow();
    const MediaPlayer::PlayState state = m_player->playState();
    if (state == m_state)
        return;
    m_state = state;
    m_stream->stateChanged(state);
    emit playStateChanged(state);
}

void Session::setChatScan(bool on) {
    m_chatScan = on;
    if (on)
        m_chat1->scan_on();
    else
        m_chat1->scan_off();
}

bool Session::autoRandomOn() const {
    return m_autoRandom->isOn();
}

QString Session::text(Settings::Text which) const {
    return m_texts[int(which)];
}

void Session::setText(Settings::Text which, const QString &text) {
    if (m_texts[int(which)] == text)
        return;
    m_texts[int(which)] = text;
    emit textChanged(which, text);
}

void Session::setPicker(Picker *picker) {
    m_picker = picker;
}

Picker &Session::picker() const {
    return m_picker ? *m_picker : *m_chatPicker;
}

void Session::setScreenName(const QString &name) {
    if (m_screenName == name)
        return;
    m_screenName = name;
    emit screenNameChanged(name);
}

void Session::sendChat(const QString &text) {
    m_chat1->SendChat(text);
}

void Session::clearChat() {
    aimchat::ClearChat(*m_platform.chatWindow);
}

void Session::playFile(const QString &text) {
    if (text.isEmpty())
        return;
    const int row = m_library->firstDisplayMatch(fold(text));
    if (row < 0)
        return;
    emit fileChosen(row);
    startEntry(row);
}

int Session::random(int highest, int lowest) {
    return randomBetween(highest, lowest);
}

QList<int> Session::drawable(const QList<int> &rows) {
    return m_autoRandom->drawable(rows);
}

void Session::startEntry(int row) {
    loadEntry(row, MediaPlayer::Start::Playing);
}

void Session::playerPlay() {
    m_player->play();
}

void Session::playerPause() {
    m_player->pause();
}

void Session::playerFastForward() {
    m_player->fastForward();
}

void Session::playerFastReverse() {
    m_player->fastReverse();
}

void Session::setAutoRandom(bool on) {
    m_autoRandom->setOn(on);
}

QString Session::listenAlongUrl() const {
    return m_stream->url();
}

void Session::pickerLoad() {
    picker().load();
}

void Session::pickerAdd(int row) {
    picker().add(row);
}

int Session::pickerCount() const {
    return picker().count();
}

void Session::pickerUnload() {
    picker().unload();
}

void Session::pickerShow() {
    picker().show();
}

bool Session::pickerOffers(int row) const {
    return picker().offers(row);
}
