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
    const QCommandLineOption library(QStringLiteral("library"), QString(),
                                     QStringLiteral("folder"));
    parser.addOptions({help, version, screenName, withRoom, library});
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
    if (parser.isSet(screenName)) {
        m_screenName = fold(parser.value(screenName));
        // A folded empty name would match every line without a speaker.
        if (m_screenName.isEmpty()) {
            m_action = Action::Error;
            m_error = QStringLiteral("--screen-name needs a name that is not only spaces.");
        }
    }
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
               "      --library FOLDER    after the start, add the media files of FOLDER and\n"
               "                          its immediate subfolders, as Add Files does; the\n"
               "                          folder is remembered for the next start\n"
               "  -h, --help              show this help and exit\n"
               "      --version           show the version and exit\n"
               "\n"
               "Settings file: %1\n"
               "(beside the program when its folder can be written, otherwise in the user's\n"
               "configuration folder)\n"
               "\n"
               "Exit status: 0 normally, 1 when the settings could not be saved, 2 for a\n"
               "mistake on the command line.\n")
        .arg(settingsFile);
}

QString CommandLine::version() {
    return QStringLiteral("zandoramp " ZAMP_VERSION "\n"
                          "License GPLv3+: GNU GPL version 3 or later "
                          "<https://gnu.org/licenses/gpl.html>\n");
}
