#pragma once

#include <QColor>

class ClickLabel;
class DragStrip;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QPushButton;
class QTimer;
class QWidget;
class SkinPicture;

// Every control of the main window, created at its place with its caption, colours and
// objectName. Controls that no visible action uses still exist, outside the visible area.
struct MainWindowUi {
    static const QColor kLabelColour;
    static const QColor kListColour;
    static constexpr int kCompactHeight = 2250; // twips
    static constexpr int kPanelHeight = 4560;
    static constexpr int kWidth = 4800;
    // The three check boxes are 13 pixels tall in the window's design, sized for a 13-pixel check
    // mark; Qt's own check mark is 14 pixels and would lose its bottom edge.
    static constexpr int kCheckBoxHeight = 210;

    // `playerStrip` is the player's own interface; it is placed and named "wmp" here.
    void setupUi(QWidget *frmMain, QWidget *playerStrip);

    SkinPicture *picSkin;
    QLabel *Label1;
    ClickLabel *labSN;
    ClickLabel *Label6;
    ClickLabel *Label7;
    QListView *lstSong;
    QLabel *Label2;
    QLabel *txtSong;
    QLabel *Label3;
    QLabel *txtDur;
    QLabel *Label4;
    QLabel *txtNum;
    QLabel *Label5;
    QLabel *Label9;
    QCheckBox *chkRandom;
    QFrame *Picture2;
    QPushButton *Command1;
    QLineEdit *txtFind;
    QFrame *picFind;
    QPushButton *chameleonButton1;
    QCheckBox *chkCs;
    QCheckBox *chkChatSend;
    QWidget *wmp;
    DragStrip *Label8;
    DragStrip *Label10;
    DragStrip *Label11;
    DragStrip *Label12;

    QFrame *Frame1;
    QPushButton *Command2;
    QLineEdit *txtPlay;
    QLineEdit *txtStop;
    QLineEdit *txtPause;
    QLineEdit *txtFor;
    QLineEdit *txtRev;

    QFrame *PicMain;
    QPushButton *chameleonButton2;
    QPushButton *chameleonButton3;
    QPushButton *chameleonButton6;
    QPushButton *chameleonButton7;
    QPushButton *chameleonButton5;

    QGroupBox *Frame2;
    QWidget *cmdOff;
    QWidget *CmdMain;
    QLineEdit *txtOldSong;
    QListWidget *File1;
    QListWidget *Dir1;
    QListWidget *lstDir;
    QListView *lstFiles;
    QListView *lstSettings;
    QWidget *Picture1;

    QTimer *Timer2;
    QTimer *tmrMenu;
    QTimer *tmrDie;
};
