#pragma once

#include "about/AboutWindow.h"
#include "app/CloseGuard.h"
#include "app/MainWindowUi.h"
#include "app/StripDrag.h"
#include "commands/CommandHost.h"
#include "commands/PickerSlot.h"
#include "tray/LibraryMenu.h"
#include "tray/MenuForm.h"
#include "tray/TrayHost.h"

#include <QCheckBox>
#include <QPointer>
#include <QWidget>
#include <memory>

class AllFormats;
class ChatScanner;
class CommandInterpreter;
class FolderScanner;
class ListenAlong;
class Library;
class MediaPlayer;
class PlayerPanel;
class QStringListModel;
class SaveAndStay;
class SettingsStore;
struct Platform;

// frmMain: the program. It owns the library, the player, the chat scanner, the settings store and
// every control that holds state; its load sequence runs when it is created and its close
// sequence whenever it closes.
class TrayControl;

class MainWindow : public QWidget, public CommandHost, public TrayHost {
    Q_OBJECT
public:
    static constexpr const char *kSettingsFileName = "zandoramp.ini";
    static constexpr const char *kWebAddress = "zandoramp.example";

    explicit MainWindow(Platform &platform, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Restores the settings, starts chat scanning, announces the program, rebuilds the library,
    // restores the announcement texts, shows the window and, when it was left from the tray,
    // sends it back there.
    void runLoadSequence();
    // Every way of closing the window goes through here (or through close(), which counts as the
    // user's): a close asked for while one of the window's own waits or boxes is open runs once
    // that has ended.
    void requestClose(CloseGuard::Origin origin);
    QString settingsPath() const;
    static QString loadAnnouncement();

    // The methods other windows call.
    void LoadListFromFile(const QString &sourceFile, QStringList &list);
    // Writes the list to the file (a failure is reported to the user); with `clearList`, empties
    // the list afterwards.
    bool SaveListToFile(const QString &path, QStringListModel &list, bool clearList);
    void chameleonButton2_Click();
    void chameleonButton3_Click();
    void chameleonButton5_Click();
    void chameleonButton7_Click();
    void loadSettings();
    void SetSetting(const QString &name, const QString &setting, bool multi = false) override;
    QString GetSetting(const QString &setting) const override;
    void addfiles(const QString &source);
    void PaUse(double length);
    void AddIt(const QString &file, const QString &path);
    int random(int highest, int lowest) override;
    void playFile(const QString &file) override;

    // Handlers, public so that the tray and the tests reach them as the user would.
    void labSN_Click();
    void Label6_Click();
    void Label7_Click();
    void chkCs_Click();
    void Command1_Click();
    void mnuChatSends_Click();
    void Command2_Click();
    void chameleonButton1_Click();
    void chameleonButton6_Click();
    void lstSong_Click();
    void chat1_aimchatscan(QString &whosaid, QString &whatsaid, QString &datesaid);
    void stripMoved(Qt::MouseButtons buttons, int xTwips, int yTwips);
    // The window's mouse-move handler, which the tray icon reports through as well.
    void Form_MouseMove(Qt::MouseButtons button, int shift, int xTwips, int yTwips);

    const MainWindowUi &widgets() const { return ui; }
    Library &songs() { return *m_library; }
    MediaPlayer &player() { return *m_player; }
    ChatScanner &scanner() { return *m_chat1; }
    SettingsStore &settings() { return *m_settings; }
    MultiPicker *picker() const { return m_pickerSlot->picker(); }
    PlayerPanel &panel() { return *m_panel; }
    CommandInterpreter &interpreter() { return *m_interpreter; }
    MenuForm *menuForm() const { return m_frmx; }
    TrayControl &tray() { return *m_tray; }
    SaveAndStay &staying() { return *m_stay; }
    AboutWindow *credits() const { return m_about; }
    bool listMenuArmed() const { return m_listMenu->armed(); }
    ListenAlong &listenAlong() { return *m_listen; }
    AllFormats &allFormats() { return *m_allFormats; }

    // CommandHost
    QString screenName() const override;
    void setScreenName(const QString &name) override;
    void sendChat(const QString &text) override;
    void clearChat() override;
    const Library &library() const override;
    void startEntry(int row) override;
    QList<int> drawable(const QList<int> &rows) override;
    void playerPlay() override;
    void playerPause() override;
    void playerFastForward() override;
    void playerFastReverse() override;
    QString pauseText() const override;
    QString forwardText() const override;
    QString reverseText() const override;
    void setAutoRandom(bool on) override;
    QString listenAlongUrl() const override;
    void pickerLoad() override { m_pickerSlot->load(); }
    void pickerAdd(const QString &displayLine) override { m_pickerSlot->add(displayLine); }
    int pickerCount() const override { return m_pickerSlot->count(); }
    void pickerUnload() override { m_pickerSlot->unload(); }
    void pickerShow() override { m_pickerSlot->show(); }

signals:
    // The user confirmed Clear Settings: the program must restart the main window.
    void clearSettingsRequested();
    // The close sequence has run; `settingsSaved` is false when the settings file could not be
    // written.
    void closed(bool settingsSaved);

public:
    // TrayHost
    QWidget *mainWidget() override { return this; }
    MenuForm *frmx() override;
    // Pops a menu up at the pointer and returns when it has closed.
    void popUpMenu(QMenu *menu);
    void openMenu(QMenu *menu) override;
    void closeProgram() override { requestClose(CloseGuard::Origin::User); }
    bool chatScanChecked() const override { return ui.chkCs->isChecked(); }
    bool chatSendsChecked() const override { return ui.chkChatSend->isChecked(); }
    bool autoRandomChecked() const override { return ui.chkRandom->isChecked(); }
    void tell(const QString &text) override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void runCloseSequence();
    bool writeSettings();
    void connectControls();
    void closeMenuForm();
    void setHeightTwips(int height);
    int heightTwips() const;
    void showLibraryFull();

    Platform &m_platform;
    MainWindowUi ui{};
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<Library> m_library;
    MediaPlayer *m_player = nullptr;
    ChatScanner *m_chat1 = nullptr;
    PlayerPanel *m_panel = nullptr;
    std::unique_ptr<CommandInterpreter> m_interpreter;
    std::unique_ptr<FolderScanner> m_scanner;
    CloseGuard *m_closeGuard = nullptr;
    std::unique_ptr<SaveAndStay> m_stay;
    PickerSlot *m_pickerSlot = nullptr;
    QPointer<MenuForm> m_frmx;
    TrayControl *m_tray = nullptr;
    LibraryMenu *m_listMenu = nullptr;
    ListenAlong *m_listen = nullptr;
    AllFormats *m_allFormats = nullptr;
    QPointer<AboutWindow> m_about;

    QString m_startCount;
    StripDrag m_drag;
    bool m_closed = false;
    bool m_settingsSaved = true;
};
