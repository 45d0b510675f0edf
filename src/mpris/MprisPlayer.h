#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QVariantMap>

class RemotePlayer;

// org.mpris.MediaPlayer2.Player: the transport, the volume and what plays. Times are int64
// microseconds and the track id an object path, as the interface wants them.
class MprisPlayer : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    // Written out rather than generated, for the annotations QtDBus cannot derive: clients are
    // told not to wait for Position and CanControl to be announced.
    Q_CLASSINFO("D-Bus Introspection",
                "<interface name=\"org.mpris.MediaPlayer2.Player\">"
                "<method name=\"Next\"/><method name=\"Previous\"/><method name=\"Pause\"/>"
                "<method name=\"PlayPause\"/><method name=\"Stop\"/><method name=\"Play\"/>"
                "<method name=\"Seek\"><arg direction=\"in\" type=\"x\" name=\"Offset\"/></method>"
                "<method name=\"SetPosition\">"
                "<arg direction=\"in\" type=\"o\" name=\"TrackId\"/>"
                "<arg direction=\"in\" type=\"x\" name=\"Position\"/></method>"
                "<method name=\"OpenUri\"><arg direction=\"in\" type=\"s\" name=\"Uri\"/></method>"
                "<signal name=\"Seeked\"><arg type=\"x\" name=\"Position\"/></signal>"
                "<property name=\"PlaybackStatus\" type=\"s\" access=\"read\"/>"
                "<property name=\"Rate\" type=\"d\" access=\"readwrite\"/>"
                "<property name=\"Metadata\" type=\"a{sv}\" access=\"read\">"
                "<annotation name=\"org.qtproject.QtDBus.QtTypeName\" value=\"QVariantMap\"/>"
                "</property>"
                "<property name=\"Volume\" type=\"d\" access=\"readwrite\"/>"
                "<property name=\"Position\" type=\"x\" access=\"read\">"
                "<annotation name=\"org.freedesktop.DBus.Property.EmitsChangedSignal\" "
                "value=\"false\"/></property>"
                "<property name=\"MinimumRate\" type=\"d\" access=\"read\"/>"
                "<property name=\"MaximumRate\" type=\"d\" access=\"read\"/>"
                "<property name=\"CanGoNext\" type=\"b\" access=\"read\"/>"
                "<property name=\"CanGoPrevious\" type=\"b\" access=\"read\"/>"
                "<property name=\"CanPlay\" type=\"b\" access=\"read\"/>"
                "<property name=\"CanPause\" type=\"b\" access=\"read\"/>"
                "<property name=\"CanSeek\" type=\"b\" access=\"read\"/>"
                "<property name=\"CanControl\" type=\"b\" access=\"read\">"
                "<annotation name=\"org.freedesktop.DBus.Property.EmitsChangedSignal\" "
                "value=\"false\"/></property>"
                "</interface>")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ canPlay)
    Q_PROPERTY(bool CanPause READ canPause)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ canControl)
public:
    static QDBusObjectPath trackId(int number);

    MprisPlayer(RemotePlayer &player, QObject *object);

    QString playbackStatus() const;
    double rate() const { return 1.0; }
    void setRate(double rate);
    QVariantMap metadata() const;
    double volume() const;
    void setVolume(double volume);
    qlonglong position() const;
    bool canGoNext() const;
    bool canGoPrevious() const { return false; }
    bool canPlay() const;
    bool canPause() const;
    bool canSeek() const;
    bool canControl() const { return true; }

public slots:
    void Play();
    void Pause();
    void PlayPause();
    void Stop();
    void Next();
    void Previous() {}
    void Seek(qlonglong offset);
    void SetPosition(const QDBusObjectPath &trackId, qlonglong position);
    void OpenUri(const QString &uri);

signals:
    void Seeked(qlonglong position);

private:
    RemotePlayer &m_player;
};
