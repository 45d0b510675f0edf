#pragma once

#include <QString>

// The folded form every library search compares: lower case, with every space (U+0020) removed.
QString fold(const QString &text);
