#include "app/MainWindowUi.h"

#include "app/ClickLabel.h"
#include "app/DragStrip.h"
#include "app/SkinPicture.h"
#include "platform/ProductNames.h"
#include "platform/Twips.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <limits>

const QColor MainWindowUi::kLabelColour(61, 137, 188);
const QColor MainWindowUi::kListColour(191, 209, 223);

namespace {

template <typename T> T *place(T *widget, const char *name, QRect twipsRect) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(twipsRect);
    return widget;
}

QRect at(int left, int top, int width, int height) {
    return twips::rect(left, top, width, height);
}

QLabel *label(QWidget *parent, const char *name, const char *caption, QRect where) {
    auto *widget = place(new QLabel(QString::fromLatin1(caption), parent), name, where);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, MainWindowUi::kLabelColour);
    widget->setPalette(palette);
    return widget;
}

ClickLabel *blueLink(QWidget *parent, const char *name, const char *caption, QRect where) {
    auto *widget = place(new ClickLabel(QString::fromLatin1(caption), parent), name, where);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    widget->setPalette(palette);
    QFont font = widget->font();
    font.setUnderline(true);
    widget->setFont(font);
    widget->setCursor(Qt::PointingHandCursor);
    return widget;
}

void libraryColours(QWidget *widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, MainWindowUi::kListColour);
    widget->setPalette(palette);
    widget->setFont(QFont(QStringLiteral("Arial"), 8));
}

// A button seen through a smaller frame: placed 50 twips left of and 20 above the frame's
// corner and made wider and taller than it, so that its edges are cut off and it looks flat.
QPushButton *framedButton(QWidget *parent, const char *frameName, const char *name,
                          const char *caption, QRect frameRect, QFrame **frameOut) {
    auto *frame = place(new QFrame(parent), frameName, frameRect);
    frame->setFrameShape(QFrame::NoFrame);
    auto *button = new QPushButton(QString::fromLatin1(caption), frame);
    button->setObjectName(QString::fromLatin1(name));
    const int dx = twips::toPixels(50), dy = twips::toPixels(20);
    button->setGeometry(-dx, -dy, frameRect.width() + 2 * dx, frameRect.height() + 2 * dy);
    *frameOut = frame;
    return button;
}

QLineEdit *textBox(QWidget *parent, const char *name, const char *text, QRect where) {
    auto *box = new QLineEdit(QString::fromLatin1(text), parent);
    // A text box holds what the settings file gave it, however long; the default limit would
    // cut a long text and the close sequence would save it cut.
    box->setMaxLength(std::numeric_limits<int>::max());
    return place(box, name, where);
}

QTimer *timer(QObject *parent, const char *name, int interval, bool on) {
    auto *t = new QTimer(parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setInterval(interval);
    if (on)
        t->start();
    return t;
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

void MainWindowUi::setupUi(QWidget *w, QWidget *playerStrip) {
    w->setObjectName(QStringLiteral("frmMain"));
    w->setWindowTitle(QString::fromLatin1(product::kWindowTitle));
    w->setWindowIcon(appIcon());
    w->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    w->setAutoFillBackground(true);
    QPalette palette = w->palette();
    palette.setColor(QPalette::Window, Qt::white);
    w->setPalette(palette);
    w->setFont(QFont(QStringLiteral("Arial"), 8));
    w->setFixedSize(twips::toPixels(kWidth), twips::toPixels(kCompactHeight));

    // Stacking follows creation: the picture at the bottom, then the labels and the transparent
    // strips, then the windowed controls, which are drawn over the strips where they overlap.
    picSkin = new SkinPicture(w);
    picSkin->setObjectName(QStringLiteral("picSkin"));
    picSkin->move(0, 0);

    // Two pixels wider than the design's 1455 twips: in Arial 8 point the caption needs 99.
    Label1 = label(w, "Label1", "Your Screen  Name:", at(120, 120, 1485, 255));
    labSN = blueLink(w, "labSN", "Click To Set", at(1680, 120, 1335, 255));
    QFont snFont(QStringLiteral("Arial"));
    snFont.setPointSizeF(6.75);
    snFont.setUnderline(true);
    labSN->setFont(snFont);
    Label6 = blueLink(w, "Label6", "Clear Settings", at(3120, 120, 1095, 255));
    Label7 = place(new ClickLabel(w), "Label7", at(4440, 120, 255, 255));
    Label7->setCursor(Qt::PointingHandCursor);
    Label7->setToolTip(QStringLiteral("Close"));
    Label2 = label(w, "Label2", "Playing:", at(2400, 360, 735, 255));
    txtSong = label(w, "txtSong", "None...", at(3000, 360, 1575, 375));
    txtSong->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    txtSong->setWordWrap(true);
    Label3 = label(w, "Label3", "Duration:", at(2400, 720, 735, 255));
    txtDur = label(w, "txtDur", "0:00", at(3120, 720, 735, 255));
    Label4 = label(w, "Label4", "Number:", at(2400, 960, 735, 255));
    txtNum = label(w, "txtNum", "None...", at(3120, 960, 735, 255));
    Label5 = label(w, "Label5", "Size:", at(2400, 1200, 735, 255));
    Label9 = label(w, "Label9", "0 KB", at(3240, 1200, 1575, 255));

    Label8 = place(new DragStrip(w), "Label8", at(0, 0, 4815, 135));
    Label10 = place(new DragStrip(w), "Label10", at(0, 0, 135, 1815));
    Label11 = place(new DragStrip(w), "Label11", at(0, 1680, 4815, 135));
    Label12 = place(new DragStrip(w), "Label12", at(4680, 0, 255, 1815));

    lstSong = place(new QListView(w), "lstSong", at(240, 360, 2055, 870));
    libraryColours(lstSong);
    lstSong->setUniformItemSizes(true);
    lstSong->setEditTriggers(QAbstractItemView::NoEditTriggers);
    chkRandom = place(new QCheckBox(QStringLiteral("Auto Random"), w), "chkRandom",
                      at(2400, 1200, 1335, kCheckBoxHeight));
    Command1 =
        framedButton(w, "Picture2", "Command1", "options", at(3720, 1080, 855, 255), &Picture2);
    txtFind = textBox(w, "txtFind", "Song", at(240, 1320, 1215, 225));
    libraryColours(txtFind);
    txtFind->setFrame(false);
    chameleonButton1 =
        framedButton(w, "picFind", "chameleonButton1", "Find", at(1560, 1320, 675, 225), &picFind);
    chkCs = place(new QCheckBox(QStringLiteral("Chat Scan"), w), "chkCs",
                  at(2400, 1440, 1215, kCheckBoxHeight));
    chkCs->setChecked(true);
    chkChatSend = place(new QCheckBox(QStringLiteral("Chat Sends"), w), "chkChatSend",
                        at(3480, 1440, 1215, kCheckBoxHeight));
    chkChatSend->setChecked(true);
    // Check boxes are windowed controls with a face of their own: "Auto Random" hides the "Size:"
    // label beneath it instead of letting it show through.
    for (QCheckBox *box : {chkRandom, chkCs, chkChatSend}) {
        box->setAutoFillBackground(true);
        QPalette face = box->palette();
        face.setColor(QPalette::Window, Qt::white);
        box->setPalette(face);
    }
    // Reparenting hides a widget, so the strip is adopted first and then placed and shown.
    playerStrip->setParent(w);
    wmp = place(playerStrip, "wmp", at(0, 1680, 4800, 615));
    wmp->show();

    // The chat-sends panel, below the compact window's edge until the window grows.
    Frame1 = place(new QFrame(w), "Frame1", at(0, 2280, 4815, 2295));
    Command2 =
        place(new QPushButton(QStringLiteral("Hide"), Frame1), "Command2", at(120, 120, 615, 255));
    txtPlay = textBox(Frame1, "txtPlay", "playing %s by %a, duration %d, number %n, bitrate %b",
                      at(120, 480, 4455, 285));
    txtStop = textBox(Frame1, "txtStop", "Media Stopped", at(120, 840, 4455, 285));
    txtPause = textBox(Frame1, "txtPause", "Media Paused", at(120, 1200, 4455, 285));
    txtFor = textBox(Frame1, "txtFor", "fast forwarding, use play to resume normal playing...",
                     at(120, 1560, 4455, 285));
    txtRev = textBox(Frame1, "txtRev", "rast reversing, use play to resume normal playing...",
                     at(120, 1920, 4455, 285));

    // Out of sight: below the tallest window and to the right of it.
    PicMain = place(new QFrame(w), "PicMain", at(2880, 6240, 6015, 1215));
    const char *names[] = {"chameleonButton2", "chameleonButton3", "chameleonButton6",
                           "chameleonButton7", "chameleonButton5"};
    const char *captions[] = {"Add Files", "Chat Sends", "Commands", "Send to tray", "Credits"};
    QPushButton **buttons[] = {&chameleonButton2, &chameleonButton3, &chameleonButton6,
                               &chameleonButton7, &chameleonButton5};
    for (int i = 0; i < 5; ++i) {
        *buttons[i] = place(new QPushButton(QString::fromLatin1(captions[i]), PicMain), names[i],
                            at(4920, 240 * i, 1095, 255));
    }

    Frame2 = place(new QGroupBox(QStringLiteral("Tools"), w), "Frame2", at(6480, 120, 4000, 4000));
    cmdOff = place(new QWidget(Frame2), "cmdOff", at(120, 240, 255, 255));
    cmdOff->setFocusPolicy(Qt::StrongFocus);
    CmdMain = place(new QWidget(Frame2), "CmdMain", at(480, 240, 255, 255));
    txtOldSong = textBox(Frame2, "txtOldSong", "nothing...", at(120, 600, 1800, 285));
    File1 = place(new QListWidget(Frame2), "File1", at(120, 960, 1800, 900));
    Dir1 = place(new QListWidget(Frame2), "Dir1", at(2040, 960, 1800, 900));
    lstDir = place(new QListWidget(Frame2), "lstDir", at(120, 1920, 1800, 900));
    lstFiles = place(new QListView(Frame2), "lstFiles", at(2040, 1920, 1800, 900));
    lstFiles->setUniformItemSizes(true);
    lstFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstSettings = place(new QListView(w), "lstSettings", at(6480, 4320, 1800, 900));
    lstSettings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Picture1 = place(new QWidget(w), "Picture1", at(8400, 4320, 600, 600));
    Picture1->setAutoFillBackground(true);
    QPalette grey = Picture1->palette();
    grey.setColor(QPalette::Window, Qt::darkGray);
    Picture1->setPalette(grey);

    // Timer1 (the announcement check) and tmrRandom (auto random) are the session's, which runs
    // without a window too. The duration label follows the player's StatusChange instead of polling
    // every 10 ms: the duration text only changes with the current item, which StatusChange always
    // reports.
    Timer2 = timer(w, "Timer2", 10, false);
    tmrMenu = timer(w, "tmrMenu", 10, false);
    tmrDie = timer(w, "tmrDie", 1000, false);
}
