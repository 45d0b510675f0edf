#include "app/CommandLine.h"

#include "library/Fold.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

namespace {

// Qt reads these itself when the application object is made (the platform plugin, a style, the
// session a session manager restores); they are accepted here so that they keep working.
const char *const kQtValueOptions[] = {
    "platform",
    "platformpluginpath",
    "platformtheme",
    "plugin",
    "qwindowgeometry",
    "geometry",
    "qwindowicon",
    "icon",
    "qwindowtitle",
    "title",
    "display",
    "session",
    "style",
    "stylesheet",
    "name",
};
const char *const kQtFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

} // namespace

CommandLine::CommandLine(const QStringList &arguments) {
    QCommandLineParser parser;
    // "-platform xcb" is one of Qt's options, never -p -l -a ... in a row.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption screenName(QStringLiteral("screen-name"), QString(),
                                        QStringLiteral("name"));
    const QCommandLineOption withRoom(QStringLiteral("with-room"));
    const QCommandLineOption noWindow(QStringLiteral("no-window"));
    const QCommandLineOption library(QStringLiteral("library"), QString(),
                                     QStringLiteral("folder"));
    const QCommandLineOption allFormats(QStringLiteral("all-formats"));
    const QCommandLineOption stream(QStringLiteral("stream"), QString(),
                                    QStringLiteral("[address:]port"));
    const QCommandLineOption streamTo(QStringLiteral("stream-to"), QString(),
                                      QStringLiteral("url"));
    const QCommandLineOption passwordFile(QStringLiteral("stream-password-file"), QString(),
                                          QStringLiteral("file"));
    const QCommandLineOption bitrate(QStringLiteral("stream-bitrate"), QString(),
                                     QStringLiteral("kbps"));
    const QCommandLineOption streamUrl(QStringLiteral("stream-url"), QString(),
                                       QStringLiteral("url"));
    const QCommandLineOption listeners(QStringLiteral("stream-listeners"), QString(),
                                       QStringLiteral("n"));
    const QCommandLineOption perAddress(QStringLiteral("stream-listeners-per-address"), QString(),
                                        QStringLiteral("n"));
    parser.addOptions({help, version, screenName, withRoom, noWindow, library, allFormats, stream,
                       streamTo, passwordFile, bitrate, streamUrl, listeners, perAddress});
    for (const char *name : kQtValueOptions)
        parser.addOption(
            QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("value")));
    for (const char *name : kQtFlags)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name)));

    if (!parser.parse(arguments)) {
        m_action = Action::Error;
        m_error = parser.errorText();
        return;
    }
    if (!parser.positionalArguments().isEmpty()) {
        m_action = Action::Error;
        m_error = QStringLiteral("unexpected argument '%1'.")
                      .arg(parser.positionalArguments().constFirst());
        return;
    }
    if (parser.isSet(help)) {
        m_action = Action::Help;
        return;
    }
    if (parser.isSet(version)) {
        m_action = Action::Version;
        return;
    }
    m_withRoom = parser.isSet(withRoom);
    m_noWindow = parser.isSet(noWindow);
    m_allFormats = parser.isSet(allFormats);
    if (parser.isSet(library)) {
        // Add Files only ever picks a folder that exists. A mistyped one would still be
        // remembered, in place of the folder the user had.
        const QFileInfo folder(parser.value(library));
        if (parser.value(library).isEmpty() || !folder.isDir()) {
            m_action = Action::Error;
            m_error = QStringLiteral("--library: '%1' is not a folder.").arg(parser.value(library));
            return;
        }
        // Remembered for the next start, which may run in another working folder.
        m_libraryFolder = QDir::cleanPath(folder.absoluteFilePath());
    }
    if (!readStream(parser)) {
        m_action = Action::Error;
        return;
    }
    if (parser.isSet(screenName)) {
        m_screenName = fold(parser.value(screenName));
        // A folded empty name would match every line without a speaker.
        if (m_screenName.isEmpty()) {
            m_action = Action::Error;
            m_error = QStringLiteral("--screen-name needs a name that is not only spaces.");
        }
    }
}

bool CommandLine::readStream(const QCommandLineParser &parser) {
    const auto value = [&parser](const char *name) {
        return parser.value(QString::fromLatin1(name));
    };
    const auto isSet = [&parser](const char *name) {
        return parser.isSet(QString::fromLatin1(name));
    };
    if (!isSet("stream") && !isSet("stream-to")) {
        for (const char *name : {"stream-password-file", "stream-bitrate", "stream-url",
                                 "stream-listeners", "stream-listeners-per-address"}) {
            if (isSet(name)) {
                m_error = QStringLiteral("--%1 needs --stream or --stream-to.")
                              .arg(QString::fromLatin1(name));
                return false;
            }
        }
        return true;
    }
    StreamSettings settings;
    const auto check = [this](const char *option, const QString &problem) {
        if (problem.isEmpty())
            return true;
        m_error = QStringLiteral("--%1: %2.").arg(QString::fromLatin1(option), problem);
        return false;
    };
    if (isSet("stream") && !check("stream", settings.setListen(value("stream"))))
        return false;
    if (isSet("stream-to")) {
        if (!check("stream-to", settings.setIcecast(value("stream-to"))))
            return false;
        if (!isSet("stream-password-file")) {
            m_error = QStringLiteral("--stream-to needs --stream-password-file FILE (the source "
                                     "password is read from a file only).");
            return false;
        }
        QString problem;
        StreamSettings::readPassword(value("stream-password-file"), &problem);
        if (!check("stream-password-file", problem))
            return false;
        // Remembered for the next start, which may run in another working folder.
        settings.passwordFile = QFileInfo(value("stream-password-file")).absoluteFilePath();
    } else if (isSet("stream-password-file")) {
        m_error = QStringLiteral("--stream-password-file goes with --stream-to.");
        return false;
    }
    if (isSet("stream-bitrate") &&
        !check("stream-bitrate", settings.setBitrate(value("stream-bitrate"))))
        return false;
    if (isSet("stream-url") && !check("stream-url", settings.setPublicUrl(value("stream-url"))))
        return false;
    if (isSet("stream-listeners")) {
        if (!isSet("stream")) {
            m_error = QStringLiteral("--stream-listeners goes with --stream.");
            return false;
        }
        if (!check("stream-listeners", settings.setMaxListeners(value("stream-listeners"))))
            return false;
    }
    if (isSet("stream-listeners-per-address")) {
        if (!isSet("stream")) {
            m_error = QStringLiteral("--stream-listeners-per-address goes with --stream.");
            return false;
        }
        if (!check("stream-listeners-per-address",
                   settings.setMaxListenersPerAddress(value("stream-listeners-per-address"))))
            return false;
    }
    m_stream = settings;
    return true;
}

QString CommandLine::usage(const QString &settingsFile) {
    return QStringLiteral(
               "Usage: zandoramp [OPTION]...\n"
               "A media player driven from a chat room.\n"
               "\n"
               "      --screen-name NAME  obey the chat lines said under NAME from the start,\n"
               "                          as if NAME had been typed after clicking the screen\n"
               "                          name (lower case, spaces removed)\n"
               "      --with-room         start our own chat room beside the player when no\n"
               "                          room is running, and obey the room's own user\n"
               "      --no-window         run without a window, as on a server: the chat\n"
               "                          room drives the player, \"p\" lists its matches in\n"
               "                          the chat, and SIGTERM saves the settings; with\n"
               "                          --with-room the room runs without its window too\n"
               "      --library FOLDER    after the start, add the media files of FOLDER and\n"
               "                          its immediate subfolders, as Add Files does; the\n"
               "                          folder is remembered for the next start\n"
               "      --all-formats       switch \"All Formats\" on (remembered): the library\n"
               "                          also takes flac, ogg, oga, opus, m4a, aac, wav, wv,\n"
               "                          ape and mpc files, besides mp3, wma, asf and asx\n"
               "      --stream [ADDRESS:]PORT\n"
               "                          let the room listen along: serve what plays as an\n"
               "                          MP3 stream at http://ADDRESS:PORT/ (ADDRESS is\n"
               "                          127.0.0.1 unless named; 0.0.0.0 or [::] let\n"
               "                          others in); the chat command listen tells the room\n"
               "                          the address\n"
               "      --stream-to icecast://[USER@]HOST[:PORT]/MOUNT\n"
               "                          push the same stream to an Icecast server as a\n"
               "                          source (USER is source unless named)\n"
               "      --stream-password-file FILE\n"
               "                          the Icecast source password, on FILE's first line\n"
               "      --stream-bitrate KBPS\n"
               "                          the stream's bit rate, 128 unless named\n"
               "      --stream-listeners N\n"
               "                          at most N listeners at once (32 unless named)\n"
               "      --stream-listeners-per-address N\n"
               "                          at most N of them from one address (a quarter\n"
               "                          unless named; more for a room behind one router)\n"
               "      --stream-url URL    the address listen tells the room, for a port\n"
               "                          forwarded through a router\n"
               "                          (the stream's settings are remembered; \"Listen\n"
               "                          Along\" in the options menu switches it on and off,\n"
               "                          on 127.0.0.1:%2 when none was given)\n"
               "  -h, --help              show this help and exit\n"
               "      --version           show the version and exit\n"
               "\n"
               "Settings file: %1\n"
               "(beside the program when its folder can be written, otherwise in the user's\n"
               "configuration folder)\n"
               "\n"
               "Exit status: 0 normally, 1 when the settings could not be saved, 2 for a\n"
               "mistake on the command line.\n")
        .arg(settingsFile, QString::number(StreamSettings::kDefaultPort));
}

QString CommandLine::version() {
    return QStringLiteral("zandoramp " ZAMP_VERSION "\n"
                          "License GPLv3+: GNU GPL version 3 or later "
                          "<https://gnu.org/licenses/gpl.html>\n");
}
