#include "app/SessionView.h"

#include "app/ClickLabel.h"
#include "app/MainWindowUi.h"
#include "library/Library.h"
#include "session/NowPlaying.h"
#include "session/Session.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>

namespace {

QLineEdit *MainWindowUi::*const kBoxes[] = {&MainWindowUi::txtPlay, &MainWindowUi::txtStop,
                                            &MainWindowUi::txtPause, &MainWindowUi::txtFor,
                                            &MainWindowUi::txtRev};

} // namespace

SessionView::SessionView(Session &session, MainWindowUi &widgets, QObject *parent)
    : QObject(parent), m_session(session), ui(widgets) {
    Library &library = session.songs();
    ui.lstSong->setModel(&library);
    ui.lstSong->setModelColumn(Library::DisplayColumn);
    ui.lstFiles->setModel(&library);
    ui.lstFiles->setModelColumn(Library::PathColumn);
    connect(&session, &Session::fileChosen, this, [this, &library](int row) {
        ui.lstFiles->setCurrentIndex(library.index(row, Library::PathColumn));
    });
    connect(&session, &Session::libraryFull, this, [this] {
        ui.lstSong->setToolTip(
            QStringLiteral("The library is full: it holds %1 files, and no more are added.")
                .arg(Library::kCapacity));
    });

    connect(&session, &Session::nowPlayingChanged, this, &SessionView::showNowPlaying);
    showNowPlaying();

    ui.labSN->setText(session.screenName());
    connect(&session, &Session::screenNameChanged, ui.labSN, &QLabel::setText);

    ui.chkChatSend->setChecked(session.chatSendsOn());
    connect(ui.chkChatSend, &QCheckBox::toggled, &session, &Session::setChatSends);
    ui.chkRandom->setChecked(session.autoRandomOn());
    connect(ui.chkRandom, &QCheckBox::toggled, &session, &Session::setAutoRandom);
    connect(&session, &Session::autoRandomChanged, ui.chkRandom, &QCheckBox::setChecked);

    // Every user reads the text as it stands when it sends, so an edit takes effect at once.
    for (Settings::Text which : Settings::kTexts) {
        QLineEdit *box = ui.*kBoxes[int(which)];
        box->setText(session.text(which));
        connect(box, &QLineEdit::textChanged, &session,
                [this, which](const QString &text) { m_session.setText(which, text); });
    }
    connect(&session, &Session::textChanged, this,
            [this](Settings::Text which, const QString &text) {
                QLineEdit *box = ui.*kBoxes[int(which)];
                if (box->text() != text)
                    box->setText(text);
            });
}

void SessionView::showNowPlaying() {
    const NowPlaying &now = m_session.nowPlaying();
    if (now.entry() >= 0)
        ui.txtNum->setText(QString::number(now.entry() + 1));
    ui.txtSong->setText(now.caption());
    ui.txtDur->setText(now.duration());
    ui.txtOldSong->setText(now.announced());
}
