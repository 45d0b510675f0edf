#include "about/HelpText.h"

#include <QStringList>

QString commandsHelpText() {
    static const QStringList lines = {
        QStringLiteral("p file (plays a file)"),
        QStringLiteral("r string (plays a random file with that string)"),
        QStringLiteral("r (plays a random file)"),
        QStringLiteral("stop (stops playing)"),
        QStringLiteral("pause (pauses playing)"),
        QStringLiteral("ff (fast forwards)"),
        QStringLiteral("fr (fast reverses)"),
        QStringLiteral("play (plays normally)"),
        QStringLiteral("ar (enables auto random)"),
        QStringLiteral("xar (disables auto random)"),
    };
    return lines.join(QStringLiteral("\r\n"));
}
