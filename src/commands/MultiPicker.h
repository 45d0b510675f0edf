#pragma once

#include <QString>
#include <QWidget>
#include <functional>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// frmMulti: the window in which the user picks one of the entries a "p" search listed. A click
// on an entry plays it and unloads the window; "Cancel" or the frame's close box unloads it
// without playing. Modeless; entries added while it is open go below those already listed.
// Unloading deletes the window (deferred), so its entries are gone with it.
class MultiPicker : public QWidget {
    Q_OBJECT
public:
    using PlayFunction = std::function<void(const QString &)>;

    // Client area and control rectangles in twips (15 twips per pixel).
    static constexpr int kClientWidthTwips = 3255;
    static constexpr int kClientHeightTwips = 3645;

    // `play` gets the clicked entry's text (the main window connects it to playFile).
    explicit MultiPicker(PlayFunction play, QWidget *parent = nullptr);
    ~MultiPicker() override;

    // Adds one display text at the bottom of lstFiles.
    void addEntry(const QString &text);
    int count() const;
    QStringList entries() const;
    // Closes and deletes the window.
    void unload();

    QListWidget *lstFiles() const { return m_lstFiles; }
    QLabel *Label1() const { return m_Label1; }
    QPushButton *Command1() const { return m_Command1; }

signals:
    // The window is closing: it counts as unloaded from now on, though Qt deletes it later.
    void unloaded();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void lstFiles_Click(QListWidgetItem *item);

    PlayFunction m_play;
    QListWidget *m_lstFiles;
    QLabel *m_Label1;
    QPushButton *m_Command1;
    // A click and an activation of the same item can both arrive; only the first plays.
    bool m_picked = false;
};
