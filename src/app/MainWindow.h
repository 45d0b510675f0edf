#pragma once

#include "about/AboutWindow.h"
#include "app/MainWindowUi.h"
#include "app/StripDrag.h"
#include "session/CloseGuard.h"
#include "session/Session.h"
#include "tray/TrayHost.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class LibraryMenu;
class MenuForm;
class MultiPicker;
class PickerSlot;
class SaveAndStay;
class SettingsStore;
class TrayControl;
class WindowMenus;
struct Platform;

// frmMain: the window of the player. It shows its session (the library, the player, the chat
// and everything they hold) and forwards the user's clicks to it; what is its own is the layout,
// the heights, the drag, the menus and the boxes. Its load sequence runs when it is created and
// its close sequence whenever it closes.
class MainWindow : public QWidget, public TrayHost {
    Q_OBJECT
public:
    explicit MainWindow(Platform &platform, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Restores the session (settings, chat scanning, the greeting, the library, the texts),
    // shows the window and, when it was left from the tray, sends it back there.
    void runLoadSequence();
    // Every way of closing the window goes through here (or through close(), which counts as the
    // user's): a close asked for while one of the window's own waits or boxes is open runs once
    // that has ended.
    void requestClose(CloseGuard::Origin origin);
    QString settingsPath() const { return m_session->settingsPath(); }

    // The methods other windows call.
    void LoadListFromFile(const QString &sourceFile, QStringList &list);
    // Writes the list to the file (a failure is reported to the user); with `clearList`, empties
    // the list afterwards.
    bool SaveListToFile(const QString &path, SettingsStore &list, bool clearList);
    void chameleonButton2_Click();
    void chameleonButton3_Click();
    void chameleonButton5_Click();
    void chameleonButton7_Click();
    void loadSettings() { m_session->loadSettings(); }
    void SetSetting(const QString &name, const QString &setting, bool multi = false) {
        m_session->settings().store().SetSetting(name, setting, multi);
    }
    QString GetSetting(const QString &setting) const {
        return m_session->settings().store().GetSetting(setting);
    }
    void addfiles(const QString &source) { m_session->addfiles(source); }
    void PaUse(double length) { m_session->PaUse(length); }
    void AddIt(const QString &file, const QString &path) { m_session->AddIt(file, path); }
    int random(int highest, int lowest) { return m_session->random(highest, lowest); }
    void playFile(const QString &file) { m_session->playFile(file); }

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

    Session &session() override { return *m_session; }
    const MainWindowUi &widgets() const { return ui; }
    MultiPicker *picker() const;
    MenuForm *menuForm() const;
    TrayControl &tray() { return *m_tray; }
    SaveAndStay &staying() { return *m_stay; }
    AboutWindow *credits() const { return m_about; }
    bool listMenuArmed() const;

    // TrayHost
    QWidget *mainWidget() override { return this; }
    MenuForm *frmx() override;
    // Pops a menu up at the pointer and returns when it has closed.
    void popUpMenu(QMenu *menu);
    void openMenu(QMenu *menu) override;
    void closeProgram() override { requestClose(CloseGuard::Origin::User); }
    void tell(const QString &text) override;

signals:
    // The user confirmed Clear Settings: the program must restart the main window.
    void clearSettingsRequested();
    // The close sequence has run; `settingsSaved` is false when the settings file could not be
    // written.
    void closed(bool settingsSaved);

protected:
    void closeEvent(QCloseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void runCloseSequence();
    bool writeSettings();
    void connectControls();
    void setHeightTwips(int height);
    int heightTwips() const;

    Platform &m_platform;
    Session *m_session;
    CloseGuard &m_closeGuard;
    MainWindowUi ui{};
    std::unique_ptr<SaveAndStay> m_stay;
    PickerSlot *m_pickerSlot = nullptr;
    WindowMenus *m_menus = nullptr;
    TrayControl *m_tray = nullptr;
    LibraryMenu *m_listMenu = nullptr;
    QPointer<AboutWindow> m_about;
    StripDrag m_drag;
    bool m_closed = false;
    bool m_settingsSaved = true;
};
