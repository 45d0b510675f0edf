#include "app/MainWindow.h"

#include "about/AboutWindow.h"
#include "about/HelpText.h"
#include "app/ClickLabel.h"
#include "app/DragStrip.h"
#include "app/OpenBoxes.h"
#include "app/SaveAndStay.h"
#include "app/SessionView.h"
#include "app/WindowMenus.h"
#include "commands/CommandInterpreter.h"
#include "commands/PickerSlot.h"
#include "library/Fold.h"
#include "library/FolderScanner.h"
#include "library/Library.h"
#include "platform/Dialogs.h"
#include "platform/FolderDialog.h"
#include "platform/Platform.h"
#include "platform/PopupMenus.h"
#include "platform/ProductNames.h"
#include "platform/TransientWindow.h"
#include "platform/TrayShell.h"
#include "platform/Twips.h"
#include "platform/WindowMover.h"
#include "player/PlayerStrip.h"
#include "session/Session.h"
#include "tray/LibraryMenu.h"
#include "tray/MenuForm.h"
#include "tray/TrayControl.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>

MainWindow::MainWindow(Platform &platform, QWidget *parent)
    : QWidget(parent), m_platform(platform), m_session(new Session(platform, this)),
      m_closeGuard(m_session->closeGuard()),
      m_stay(std::make_unique<SaveAndStay>(platform, *this, m_closeGuard,
                                           [this] { return writeSettings(); })),
      m_drag([this] { return m_platform.windowMover->startSystemMove(this); },
             [this](QPoint by) {
                 move(pos() + QPoint(twips::toPixels(by.x()), twips::toPixels(by.y())));
             }) {
    setAttribute(Qt::WA_DeleteOnClose);
    connect(&m_closeGuard, &CloseGuard::closeDue, this, &QWidget::close);
    ui.setupUi(this, new PlayerStrip(m_session->player()));
    new SessionView(*m_session, ui, this);
    m_session->folderScanner().showProgressOver(this);
    m_tray = new TrayControl(*this, *platform.tray, this);
    m_pickerSlot =
        new PickerSlot([this](const QString &text) { playFile(text); },
                       [this](int row) { return m_session->library().displayLine(row); }, this);
    m_session->setPicker(m_pickerSlot);
    m_menus = new WindowMenus(*this, *m_session, *m_tray);
    connectControls();
}

MainWindow::~MainWindow() {
    // The strip drives the player; it goes first so that it never outlives what it drives.
    delete ui.wmp;
    // The credits are a window of its own; it goes with the main window, like the picker and
    // the menu form.
    delete m_about;
    // Before the widgets that show it: none of them may hear from it while it goes.
    m_session->disconnect(this);
    delete m_session;
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
    // The menu is due a moment after the selection; a close may have been asked for meanwhile,
    // and the menu form would then be made again for a window that is going.
    m_listMenu = new LibraryMenu(
        ui.lstSong, ui.tmrMenu,
        [this] {
            if (!m_closeGuard.asked())
                popUpMenu(frmx()->lstClick());
        },
        this);
}

void MainWindow::runLoadSequence() {
    // The folder scan waits with events running; a close asked for meanwhile runs afterwards.
    const CloseGuard::Hold hold(m_closeGuard);
    m_listMenu->arm();
    m_session->load();
    show();
    if (m_session->settings().startInTray())
        chameleonButton7_Click();
}

void MainWindow::requestClose(CloseGuard::Origin origin) {
    if (origin == CloseGuard::Origin::System)
        openboxes::dismiss();
    if (!m_closed && m_closeGuard.request(origin))
        close();
}

void MainWindow::closeEvent(QCloseEvent *event) {
    if (!m_closed && !m_closeGuard.request(CloseGuard::Origin::User)) {
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
    m_session->storeTexts();
    return SaveListToFile(settingsPath(), m_session->settings().store(), false);
}

void MainWindow::runCloseSequence() {
    if (m_closed)
        return;
    m_closed = true;
    m_closeGuard.closing();
    // Windows that may still change a setting close first, so that the file has it.
    m_tray->closeNotice();
    if (m_about)
        m_about->close();
    m_settingsSaved = writeSettings();
    m_platform.tray->removeIcon();
    m_menus->close();
    emit closed(m_settingsSaved);
}

// The methods other windows call -----------------------------------------------------------------

void MainWindow::LoadListFromFile(const QString &sourceFile, QStringList &list) {
    SettingsStore::LoadListFromFile(sourceFile, list);
}

bool MainWindow::SaveListToFile(const QString &path, SettingsStore &list, bool clearList) {
    const bool saved = m_stay->save(path, list.entries());
    if (clearList)
        list.setEntries({});
    return saved;
}

void MainWindow::chat1_aimchatscan(QString &whosaid, QString &whatsaid, QString &datesaid) {
    m_session->interpreter().chat1_aimchatscan(whosaid, whatsaid, datesaid);
}

// The user's clicks ------------------------------------------------------------------------------

void MainWindow::Label6_Click() {
    const CloseGuard::Hold hold(m_closeGuard);
    const bool ok = m_platform.dialogs->askOkCancel(
        this, QStringLiteral("Clear Settings"),
        QString::fromLatin1(product::kOldName) +
            QStringLiteral(" must be restarted to clear settings, Would you like to still "
                           "clear settings?"));
    if (ok)
        emit clearSettingsRequested();
}

void MainWindow::labSN_Click() {
    const CloseGuard::Hold hold(m_closeGuard);
    const QString answer = m_platform.dialogs->inputBox(this, QStringLiteral("sn"), QString());
    // An answer of spaces alone would fold to an empty name, which every line without a speaker
    // would match; it keeps the name like an empty answer.
    const QString name = fold(answer);
    if (!name.isEmpty())
        m_session->setScreenName(name);
}

void MainWindow::chkCs_Click() {
    m_session->setChatScan(ui.chkCs->isChecked());
}

MenuForm *MainWindow::frmx() {
    return m_menus->form();
}

MenuForm *MainWindow::menuForm() const {
    return m_menus->existing();
}

void MainWindow::Command1_Click() {
    popUpMenu(frmx()->mnuopt());
}

void MainWindow::popUpMenu(QMenu *menu) {
    // An open menu waits for the user, and the close would wait for the menu.
    if (m_closeGuard.asked())
        return;
    const CloseGuard::Hold hold(m_closeGuard);
    m_platform.popupMenus->popUp(menu);
}

void MainWindow::openMenu(QMenu *menu) {
    if (!m_closeGuard.asked())
        m_platform.popupMenus->open(menu);
}

void MainWindow::tell(const QString &text) {
    const CloseGuard::Hold hold(m_closeGuard);
    m_platform.dialogs->information(this, product::name(), text);
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
    const CloseGuard::Hold hold(m_closeGuard);
    m_platform.dialogs->information(this, product::name(), commandsHelpText());
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

void MainWindow::chameleonButton2_Click() {
    const CloseGuard::Hold hold(m_closeGuard);
    addfiles(
        m_platform.folderDialog->browseFolder(this, QStringLiteral("Please select a folder.")));
}

void MainWindow::chameleonButton1_Click() {
    m_listMenu->holdForFind();
    ui.cmdOff->setFocus();
    // Every matching line would be selected in turn, leaving the last one selected; selecting
    // the last one directly leaves the same state and the same (suppressed) menu events.
    const Library &library = m_session->library();
    const int row = library.lastPathMatch(fold(ui.txtFind->text()));
    if (row >= 0)
        ui.lstSong->setCurrentIndex(library.index(row, Library::DisplayColumn));
}

void MainWindow::lstSong_Click() {
    m_listMenu->lstSong_Click();
}

MultiPicker *MainWindow::picker() const {
    return m_pickerSlot->picker();
}

bool MainWindow::listMenuArmed() const {
    return m_listMenu->armed();
}
