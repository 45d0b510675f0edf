#pragma once

#include <QObject>
#include <QString>
#include <functional>

// The options menu's "All Formats": whether the folder scan also takes the audio formats the
// player plays besides the library's own mp3, wma, asf and asx (flac, ogg, oga, opus, m4a, aac,
// wav, wv, ape and mpc). The settings file keeps it, off until the user asks, so the library
// stays as it always was. `--all-formats` on the command line turns it on, and so into the file.
//
// While it is off, a scan that leaves files of those formats out says so on stderr, once for
// that scan: how many, and how to take them in. A scan that only repeats the last message (the
// same folder, the same count: the start's rescan followed by --library of that folder) says
// nothing more.
class AllFormats : public QObject {
    Q_OBJECT
public:
    // Where the switch is kept: read, and written.
    using Lookup = std::function<bool()>;
    using Store = std::function<void(bool on)>;
    // Where the message goes: stderr unless set.
    using Say = std::function<void(const QString &text)>;

    AllFormats(Lookup lookup, Store store, QObject *parent = nullptr);

    // --all-formats: turns the switch on at restore().
    void setGiven(bool on) { m_given = on; }
    // Once the settings file is loaded, before the start's scan.
    void restore();
    bool isOn() const;
    void setOn(bool on);
    void setSay(Say say) { m_say = std::move(say); }

    // A name of one of the other formats: its extension, after the last dot, in any case.
    static bool isOtherFormatName(const QString &name);
    // The scan of `folder` left out `count` files of the other formats.
    void leftOut(const QString &folder, int count);
    static QString leftOutMessage(const QString &folder, int count);

signals:
    // The user switched it on: the remembered folder may be scanned again to take them in.
    void switchedOn();

private:
    Lookup m_lookup;
    Store m_store;
    Say m_say;
    bool m_given = false;
    QString m_lastFolder;
    int m_lastCount = 0;
};
