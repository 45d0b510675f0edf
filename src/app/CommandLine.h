#pragma once

#include "stream/StreamSettings.h"

#include <QString>
#include <QStringList>
#include <optional>

class QCommandLineParser;

// The player's command line. It is read before any window or display exists, so that --help,
// --version and a mistyped option work anywhere, a terminal without a desktop included.
class CommandLine {
public:
    enum class Action { Run, Help, Version, Error };

    // `arguments` as in main's argv, the program's name first.
    explicit CommandLine(const QStringList &arguments);

    Action action() const { return m_action; }
    // What went wrong, for an Action::Error.
    QString error() const { return m_error; }
    // The screen name to start with, folded as the name typed in the player is; empty when none
    // was given.
    QString screenName() const { return m_screenName; }
    bool withRoom() const { return m_withRoom; }
    // Without a window: the session alone, for a machine without a display.
    bool noWindow() const { return m_noWindow; }
    // The folder to scan after the start, absolute; empty when none was given.
    QString libraryFolder() const { return m_libraryFolder; }
    // --all-formats: the library takes the other audio formats too.
    bool allFormats() const { return m_allFormats; }
    // The stream of --stream and --stream-to with their companions; none when neither was given.
    const std::optional<StreamSettings> &stream() const { return m_stream; }

    // The text of --help; `settingsFile` is the file this copy of the program would use.
    static QString usage(const QString &settingsFile);
    static QString version();

private:
    bool readStream(const QCommandLineParser &parser);

    Action m_action = Action::Run;
    QString m_error;
    QString m_screenName;
    bool m_withRoom = false;
    bool m_noWindow = false;
    QString m_libraryFolder;
    bool m_allFormats = false;
    std::optional<StreamSettings> m_stream;
};
