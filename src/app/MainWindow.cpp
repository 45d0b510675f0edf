#include "app/MainWindow.h"

#include "about/AboutWindow.h"
#include "about/HelpText.h"
#include "app/ClickLabel.h"
#include "app/DragStrip.h"
#include "app/ListenAlong.h"
#include "app/PlayerPanel.h"
#include "app/SaveAndStay.h"
#include "app/SettingsStore.h"
#include "chat/AimChat.h"
#include "chat/ChatScanner.h"
#include "commands/CommandInterpreter.h"
#include "commands/PickerSlot.h"
#include "library/AllFormats.h"
#include "library/Fold.h"
#include "library/FolderScanner.h"
#include "library/Library.h"
#include "platform/Dialogs.h"
#include "platform/FolderDialog.h"
#include "platform/MediaEngine.h"
#include "platform/Platform.h"
#include "platform/PopupMenus.h"
#include "platform/TransientWindow.h"
#include "platform/TrayShell.h"
#include "platform/Twips.h"
#include "platform/WindowMover.h"
#include "player/MediaPlayer.h"
#include "player/PlayerStrip.h"
#include "player/RandomNumber.h"
#include "tray/LibraryMenu.h"
#include "tray/MenuForm.h"
#include "tray/TrayControl.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

namespace {

// "1" while the options menu's "No Repeats" is checked. Absent in older files: off.
constexpr char kNoRepeatsKey[] = "nrep";

// The five announcement texts and the keys they are stored under, in the order of the sequences.
struct TemplateBox {
    const char *key;
    QLineEdit *MainWindowUi::*box;
};
constexpr TemplateBox kTemplates[] = {
    {"cspl", &MainWindowUi::txtPlay},  {"csst", &MainWindowUi::txtStop},
    {"cspa", &MainWindowUi::txtPause}, {"csff", &MainWindowUi::txtFor},
    {"csfr", &MainWindowUi::txtRev},
};

const QString kClickToSet = QStringLiteral("Click To Set");

// A start count is a whole number of digits; anything else (a hand-edited file) counts as absent.
std::optional<qint64> wholeNumber(const QString &text) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,15}$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    return text.toLongLong();
}

} // namespace

// Outside any namespace, as Qt's resource initialisation requires; the icons live in this
// static library and would otherwise be left out by the linker.
static QIcon appIcon() {
    Q_INIT_RESOURCE(icons);
    QIcon icon;
    for (int size : {16, 32, 48, 256})
        icon.addFile(QStringLiteral(":/icons/zandoramp-%1.png").arg(size), QSize(size, size));
    return icon;
}

MainWindow::MainWindow(Platform &platform, QWidget *parent)
    : QWidget(parent), m_platform(platform), m_settings(std::make_unique<SettingsStore>()),
      m_library(std::make_unique<Library>()), m_closeGuard(new CloseGuard(this)),
      m_stay(std::make_unique<SaveAndStay>(platform, *this, *m_closeGuard,
                                           [this] { return writeSettings(); })),
      m_drag([this] { return m_platform.windowMover->startSystemMove(this); },
             [this](QPoint by) {
                 move(pos() + QPoint(twips::toPixels(by.x()), twips::toPixels(by.y())));
             }) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(appIcon());
    connect(m_closeGuard, &CloseGuard::closeDue, this, &QWidget::close);
    m_player = new MediaPlayer(platform.makeEngine(), *platform.tagReader, this);
    m_player->setObjectName(QStringLiteral("wmpPlayer"));
    ui.setupUi(this, new PlayerStrip(*m_player));

    ui.lstSong->setModel(m_library.get());
    ui.lstSong->setModelColumn(Library::DisplayColumn);
    ui.lstFiles->setModel(m_library.get());
    ui.lstFiles->setModelColumn(Library::PathColumn);
    // The settings list is never shown. Attached to the store, the view would lay out every entry
    // whenever the store changes: seconds for one long hand-edited line, with nothing to show.

    m_chat1 = new ChatScanner(
        *platform.chatWindow, [this] { return ui.chkChatSend->isChecked(); }, this);
    m_panel = new PlayerPanel(
        ui, *m_player, *m_library, *m_chat1,
        [this] { return GetSetting(QString::fromLatin1(kNoRepeatsKey)) == QLatin1String("1"); },
        this);
    m_interpreter = std::make_unique<CommandInterpreter>(*this);
    m_tray = new TrayControl(*this, *platform.tray, this);
    m_pickerSlot = new PickerSlot([this](const QString &text) { playFile(text); }, this);
    FolderScanner::Hooks hooks;
    hooks.storeFolder = [this](const QString &folder) {
        SetSetting(QStringLiteral("xdir"), folder);
    };
    hooks.pause = [this](double seconds) {
        PaUse(seconds);
    };
    hooks.owner = this;
    m_scanner = std::make_unique<FolderScanner>(m_library.get(), platform.tagReader, hooks);
    connect(m_scanner.get(), &FolderScanner::walkFinished, m_panel, &PlayerPanel::refillBag);
    // "All Formats" (library/AllFormats): the scan asks it which files to take; switched on, the
    // remembered folder is scanned again to take in what it left out.
    m_allFormats = new AllFormats(
        [this](const QString &key) { return GetSetting(key); },
        [this](const QString &key, const QString &value) { SetSetting(key, value); }, this);
    m_scanner->setFormats(m_allFormats);
    connect(m_allFormats, &AllFormats::switchedOn, this,
            [this] { addfiles(GetSetting(QStringLiteral("xdir"))); });

    connectControls();
    // After the panel, which sets the caption the stream's title is read from.
    m_listen = new ListenAlong(
        platform.stream, *m_player, [this] { return ui.txtSong->text(); }, *m_settings, this);
}

MainWindow::~MainWindow() {
    // The strip drives the player; it goes first so that it never outlives what it drives.
    delete ui.wmp;
    // The menu form and the credits are windows of their own; they go with the main window, like
    // the picker.
    delete m_frmx;
    delete m_about;
}

void MainWindow::connectControls() {
    connect(ui.labSN, &ClickLabel::clicked, this, &MainWindow::labSN_Click);
    connect(ui.Label6, &ClickLabel::clicked, this, &MainWindow::Label6_Click);
    connect(ui.Label7, &ClickLabel::clicked, this, &MainWindow::Label7_Click);
    connect(ui.chkCs, &QCheckBox::clicked, this, &MainWindow::chkCs_Click);
    connect(ui.Command1, &QPushButton::clicked, this, &MainWindow::Command1_Click);
    connect(ui.Command2, &QPushButton::clicked, this, &MainWindow::Command2_Click);
    connect(ui.chameleonButton1, &QPushButton::clicked, this, &MainWindow::chameleonButton1_Click);
    connect(ui.chameleonButton2, &QPushButton::clicked, this, &MainWindow::chameleonButton2_Click);
    connect(ui.chameleonButton3, &QPushButton::clicked, this, &MainWindow::chameleonButton3_Click);
    connect(ui.chameleonButton5, &QPushButton::clicked, this, &MainWindow::chameleonButton5_Click);
    connect(ui.chameleonButton6, &QPushButton::clicked, this, &MainWindow::chameleonButton6_Click);
    connect(ui.chameleonButton7, &QPushButton::clicked, this, &MainWindow::chameleonButton7_Click);
    for (DragStrip *strip : {ui.Label8, ui.Label10, ui.Label11, ui.Label12})
        connect(strip, &DragStrip::moved, this, &MainWindow::stripMoved);

    connect(ui.Timer1, &QTimer::timeout, m_panel, &PlayerPanel::Timer1_Timer);
    connect(ui.tmrRandom, &QTimer::timeout, m_panel, &PlayerPanel::tmrRandom_Timer);
    connect(m_player, &MediaPlayer::StatusChange, m_panel, &PlayerPanel::wmp_StatusChange);
    connect(m_chat1, &ChatScanner::aimchatscan, this, &MainWindow::chat1_aimchatscan);
    // The menu is due a moment after the selection; a close may have been asked for meanwhile,
    // and the menu form would then be made again for a window that is going.
    m_listMenu = new LibraryMenu(
        ui.lstSong, ui.tmrMenu,
        [this] {
            if (!m_closeGuard->asked())
                popUpMenu(frmx()->lstClick());
        },
        this);
    connect(m_library.get(), &Library::becameFull, this, &MainWindow::showLibraryFull);
}

QString MainWindow::settingsPath() const {
    return QDir(m_platform.programFolder).filePath(QString::fromLatin1(kSettingsFileName));
}

QString MainWindow::loadAnnouncement() {
    return QStringLiteral("<b><u>t</u></b>revik <b><u>a</b></u>mp 1.0 Loaded, [") +
           QString::fromLatin1(kWebAddress) + QStringLiteral("]");
}

void MainWindow::runLoadSequence() {
    // The folder scan waits with events running; a close asked for meanwhile runs afterwards.
    const CloseGuard::Hold hold(*m_closeGuard);
    loadSettings();
    m_allFormats->restore();
    m_startCount = GetSetting(QStringLiteral("load"));
    if (m_startCount.isEmpty())
        m_startCount = QStringLiteral("1");
    m_listMenu->arm();
    const QString announcement = loadAnnouncement();
    m_chat1->scan_on();
    m_chat1->SendChat(announcement);
    const qint64 starts = wholeNumber(m_startCount).value_or(1);
    SetSetting(QStringLiteral("load"), QString::number(starts + 1));
    const QString folder = GetSetting(QStringLiteral("xdir"));
    if (!folder.isEmpty())
        addfiles(folder);
    if (!GetSetting(QStringLiteral("cspl")).isEmpty()) {
        for (const TemplateBox &t : kTemplates)
            (ui.*t.box)->setText(GetSetting(QString::fromLatin1(t.key)));
    }
    m_listen->restore();
    show();
    if (GetSetting(QStringLiteral("tray")) == QLatin1String("1"))
        chameleonButton7_Click();
}

void MainWindow::requestClose(CloseGuard::Origin origin) {
    if (origin == CloseGuard::Origin::System)
        CloseGuard::dismissOpenBoxes();
    if (!m_closed && m_closeGuard->request(origin))
        close();
}

void MainWindow::closeEvent(QCloseEvent *event) {
    if (!m_closed && !m_closeGuard->request(CloseGuard::Origin::User)) {
        event->ignore();
        return;
    }
    runCloseSequence();
    if (m_stay->reopen()) {
        m_closed = false;
        show();
        event->ignore();
        return;
    }
    event->accept();
}

bool MainWindow::writeSettings() {
    for (const TemplateBox &t : kTemplates)
        SetSetting(QString::fromLatin1(t.key), (ui.*t.box)->text());
    return SaveListToFile(settingsPath(), *m_settings, false);
}

void MainWindow::runCloseSequence() {
    if (m_closed)
        return;
    m_closed = true;
    m_closeGuard->closing();
    // Windows that may still change a setting close first, so that the file has it.
    m_tray->closeNotice();
    if (m_about)
        m_about->close();
    m_settingsSaved = writeSettings();
    m_platform.tray->removeIcon();
    closeMenuForm();
    emit closed(m_settingsSaved);
}

// Settings --------------------------------------------------------------------------------------

void MainWindow::LoadListFromFile(const QString &sourceFile, QStringList &list) {
    SettingsStore::LoadListFromFile(sourceFile, list);
}

bool MainWindow::SaveListToFile(const QString &path, QStringListModel &list, bool clearList) {
    return m_stay->save(path, list, clearList);
}

void MainWindow::loadSettings() {
    QStringList entries;
    LoadListFromFile(settingsPath(), entries);
    m_settings->setStringList(entries);
}

void MainWindow::SetSetting(const QString &name, const QString &setting, bool multi) {
    m_settings->SetSetting(name, setting, multi);
}

QString MainWindow::GetSetting(const QString &setting) const {
    return m_settings->GetSetting(setting);
}

void MainWindow::Label6_Click() {
    const CloseGuard::Hold hold(*m_closeGuard);
    const bool ok = m_platform.dialogs->askOkCancel(
        this, QStringLiteral("Clear Settings"),
        QStringLiteral("trevik amp must be restarted to clear settings, Would you like to still "
                       "clear settings?"));
    if (ok)
        emit clearSettingsRequested();
}

// Window-level switches -------------------------------------------------------------------------

void MainWindow::labSN_Click() {
    const CloseGuard::Hold hold(*m_closeGuard);
    const QString answer = m_platform.dialogs->inputBox(this, QStringLiteral("sn"), QString());
    // An answer of spaces alone would fold to an empty name, which every line without a speaker
    // would match; it keeps the name like an empty answer.
    const QString name = fold(answer);
    if (!name.isEmpty())
        ui.labSN->setText(name);
}

void MainWindow::chkCs_Click() {
    if (ui.chkCs->isChecked())
        m_chat1->scan_on();
    else
        m_chat1->scan_off();
}

MenuForm *MainWindow::frmx() {
    if (!m_frmx) {
        m_frmx = new MenuForm;
        connect(m_frmx->item(QStringLiteral("mnuPlay")), &QAction::triggered, this,
                [this] { playFile(m_library->displayLine(ui.lstSong->currentIndex().row())); });
        connect(m_frmx->item(QStringLiteral("mnuAdd")), &QAction::triggered, this,
                &MainWindow::chameleonButton2_Click);
        connect(m_frmx->item(QStringLiteral("mnuChatSends")), &QAction::triggered, this,
                &MainWindow::mnuChatSends_Click);
        connect(m_frmx->item(QStringLiteral("mnuCmds")), &QAction::triggered, this,
                &MainWindow::chameleonButton6_Click);
        connect(m_frmx->item(QStringLiteral("mnuTray")), &QAction::triggered, this,
                &MainWindow::chameleonButton7_Click);
        connect(m_frmx->item(QStringLiteral("mnuCredits")), &QAction::triggered, this,
                &MainWindow::chameleonButton5_Click);
        QAction *noRepeats = m_frmx->item(QStringLiteral("mnuNoRepeats"));
        noRepeats->setChecked(GetSetting(QString::fromLatin1(kNoRepeatsKey)) == QLatin1String("1"));
        connect(noRepeats, &QAction::toggled, this, [this](bool on) {
            SetSetting(QString::fromLatin1(kNoRepeatsKey), QString::number(int(on)));
        });
        m_listen->connectMenu(m_frmx->item(QStringLiteral("mnuListen")));
        m_allFormats->connectMenu(m_frmx->item(QStringLiteral("mnuAllFormats")));
        m_tray->connectMenu(m_frmx);
    }
    return m_frmx;
}

void MainWindow::closeMenuForm() {
    // One of its menus may be the one whose item led here.
    if (m_frmx)
        m_frmx->deleteLater();
    m_frmx = nullptr;
}

void MainWindow::Command1_Click() {
    popUpMenu(frmx()->mnuopt());
}

void MainWindow::popUpMenu(QMenu *menu) {
    // An open menu waits for the user, and the close would wait for the menu.
    if (m_closeGuard->asked())
        return;
    const CloseGuard::Hold hold(*m_closeGuard);
    m_platform.popupMenus->popUp(menu);
}

void MainWindow::openMenu(QMenu *menu) {
    if (!m_closeGuard->asked())
        m_platform.popupMenus->open(menu);
}

void MainWindow::tell(const QString &text) {
    const CloseGuard::Hold hold(*m_closeGuard);
    m_platform.dialogs->information(this, QStringLiteral("zandor amp"), text);
}

int MainWindow::heightTwips() const {
    return twips::fromPixels(height());
}

void MainWindow::setHeightTwips(int heightInTwips) {
    setFixedSize(width(), twips::toPixels(heightInTwips));
}

void MainWindow::mnuChatSends_Click() {
    setHeightTwips(MainWindowUi::kPanelHeight);
    ui.Frame1->setVisible(true);
}

void MainWindow::Command2_Click() {
    setHeightTwips(MainWindowUi::kCompactHeight);
    ui.Frame1->setVisible(false);
}

void MainWindow::chameleonButton3_Click() {
    setHeightTwips(heightTwips() == 5085 ? 2940 : 5085);
    ui.cmdOff->setFocus();
}

void MainWindow::Label7_Click() {
    // The close sequence closes the menu form too, once nothing of it is running any more.
    requestClose(CloseGuard::Origin::User);
}

void MainWindow::stripMoved(Qt::MouseButtons buttons, int xTwips, int yTwips) {
    m_drag.moved(buttons, QPoint(xTwips, yTwips));
}

void MainWindow::chameleonButton6_Click() {
    const CloseGuard::Hold hold(*m_closeGuard);
    m_platform.dialogs->information(this, QStringLiteral("zandor amp"), commandsHelpText());
}

void MainWindow::chameleonButton5_Click() {
    ui.cmdOff->setFocus();
    // A window of its own, not a child: disabling the main window would disable it too. It is
    // placed over the main window, which would otherwise look frozen with the credits behind it.
    if (!m_about) {
        m_about = new AboutWindow;
        transientwindow::placeOver(m_about, this);
        connect(m_about, &AboutWindow::closed, this, [this] { setEnabled(true); });
    }
    m_about->show();
    m_about->raise();
    setEnabled(false);
}

void MainWindow::chameleonButton7_Click() {
    m_tray->sendToTray();
}

void MainWindow::Form_MouseMove(Qt::MouseButtons, int, int xTwips, int) {
    m_tray->mouseMove(xTwips);
}

void MainWindow::mouseMoveEvent(QMouseEvent *event) {
    Form_MouseMove(event->buttons(), int(event->modifiers()), twips::fromPixels(event->pos().x()),
                   twips::fromPixels(event->pos().y()));
}

// Library ---------------------------------------------------------------------------------------

void MainWindow::chameleonButton2_Click() {
    const CloseGuard::Hold hold(*m_closeGuard);
    addfiles(
        m_platform.folderDialog->browseFolder(this, QStringLiteral("Please select a folder.")));
}

void MainWindow::addfiles(const QString &source) {
    // The scan waits with events running; a close asked for meanwhile runs afterwards.
    const CloseGuard::Hold hold(*m_closeGuard);
    m_scanner->addfiles(source);
}

void MainWindow::AddIt(const QString &file, const QString &path) {
    m_library->AddIt(file, path);
}

void MainWindow::showLibraryFull() {
    ui.lstSong->setToolTip(
        QStringLiteral("The library is full: it holds %1 files, and no more are added.")
            .arg(Library::kCapacity));
}

void MainWindow::chameleonButton1_Click() {
    m_listMenu->holdForFind();
    ui.cmdOff->setFocus();
    // Every matching line would be selected in turn, leaving the last one selected; selecting
    // the last one directly leaves the same state and the same (suppressed) menu events.
    const int row = m_library->lastPathMatch(fold(ui.txtFind->text()));
    if (row >= 0)
        ui.lstSong->setCurrentIndex(m_library->index(row, Library::DisplayColumn));
}

void MainWindow::lstSong_Click() {
    m_listMenu->lstSong_Click();
}

// Waiting ---------------------------------------------------------------------------------------

void MainWindow::PaUse(double length) {
    const CloseGuard::Hold hold(*m_closeGuard);
    QElapsedTimer elapsed;
    elapsed.start();
    const qint64 total = qint64(length * 1000.0);
    // A nested event loop that sleeps between events: input, timers and chat lines are handled
    // during the wait without spinning a core.
    while (elapsed.elapsed() < total) {
        QEventLoop loop;
        QTimer::singleShot(int(total - elapsed.elapsed()), &loop, &QEventLoop::quit);
        loop.exec();
    }
}

int MainWindow::random(int highest, int lowest) {
    return randomBetween(highest, lowest);
}

void MainWindow::playFile(const QString &file) {
    m_panel->playFile(file);
}

void MainWindow::startEntry(int row) {
    m_panel->startEntry(row);
}

QList<int> MainWindow::drawable(const QList<int> &rows) {
    return m_panel->drawable(rows);
}

// Chat ------------------------------------------------------------------------------------------

void MainWindow::chat1_aimchatscan(QString &whosaid, QString &whatsaid, QString &datesaid) {
    m_interpreter->chat1_aimchatscan(whosaid, whatsaid, datesaid);
}

QString MainWindow::screenName() const {
    return ui.labSN->text();
}

void MainWindow::setScreenName(const QString &name) {
    ui.labSN->setText(name);
}

void MainWindow::sendChat(const QString &text) {
    m_chat1->SendChat(text);
}

void MainWindow::clearChat() {
    aimchat::ClearChat(*m_platform.chatWindow);
}

const Library &MainWindow::library() const {
    return *m_library;
}

QString MainWindow::pauseText() const {
    return ui.txtPause->text();
}

QString MainWindow::forwardText() const {
    return ui.txtFor->text();
}

QString MainWindow::reverseText() const {
    return ui.txtRev->text();
}

void MainWindow::setAutoRandom(bool on) {
    ui.chkRandom->setChecked(on);
}

QString MainWindow::listenAlongUrl() const {
    return m_listen->url();
}

void MainWindow::playerPlay() {
    m_player->play();
}

void MainWindow::playerPause() {
    m_player->pause();
}

void MainWindow::playerFastForward() {
    m_player->fastForward();
}

void MainWindow::playerFastReverse() {
    m_player->fastReverse();
}
