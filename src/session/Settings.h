#pragma once

#include "session/SettingsStore.h"
#include "stream/StreamSettings.h"

#include <QString>

// Every key of the settings file, read and written typed: a number, a flag or a text. Values go
// into the file exactly as they always have ("tray1", "load42", "lsrv127.0.0.1:8000"), and lines
// of any other key stay as they are, so an older or newer player reads the same file.
class Settings {
public:
    static constexpr char kFileName[] = "zandoramp.ini";

    // The five announcement texts, in the order in which the close sequence stores them: so
    // their five lines always end the file, in this order.
    enum class Text { Play, Stop, Pause, Forward, Reverse };
    static constexpr Text kTexts[] = {Text::Play, Text::Stop, Text::Pause, Text::Forward,
                                      Text::Reverse};

    SettingsStore &store() { return m_store; }
    const SettingsStore &store() const { return m_store; }

    // "load": one more than the number of starts so far. Absent, or not a whole number (a
    // hand-edited file), it counts as 1.
    qint64 startCount() const;
    void setStartCount(qint64 count);

    // "xdir": the library folder last scanned; empty when none.
    QString libraryFolder() const;
    void setLibraryFolder(const QString &folder);

    // "cspl", "csst", "cspa", "csff", "csfr". The five are restored only when the first one
    // holds something.
    bool holdsTexts() const;
    QString text(Text which) const;
    void setText(Text which, const QString &text);

    // "tray": exactly "1" sends the window to the tray at start.
    bool startInTray() const;
    void setStartInTray(bool inTray);
    // "shtr": the tray notice shows while this is empty; "Dont show this again" sets it.
    bool trayNoticeWanted() const;
    void dismissTrayNotice();

    // "nrep": "No Repeats" in the options menu. Absent in older files: off.
    bool noRepeats() const;
    void setNoRepeats(bool on);

    // "allf": "All Formats" in the options menu. Absent in older files: off.
    bool allFormats() const;
    void setAllFormats(bool on);

    // "lion": "Listen Along" is on.
    bool listenAlong() const;
    void setListenAlong(bool on);
    // "lsrv", "lice", "lipw", "libr", "limx", "lipa", "liur": the stream's settings as the user
    // gave them. A line that does not read counts as absent; nothing streams without them.
    StreamSettings stream() const;
    void setStream(const StreamSettings &stream);

private:
    bool flag(const char *key) const;
    QString value(const char *key) const;
    void set(const char *key, const QString &value);

    SettingsStore m_store;
};
