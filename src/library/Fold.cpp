#include "library/Fold.h"

QString fold(const QString &text) {
    QString folded = text.toLower();
    folded.remove(QLatin1Char(' '));
    return folded;
}
