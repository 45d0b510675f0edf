#include "support/TestEnv.h"

namespace testenv {

QString mediaDir() {
    return QStringLiteral(ZAMP_TEST_MEDIA_DIR);
}

QString media(const QString &name) {
    return mediaDir() + QLatin1Char('/') + name;
}

QString binaryDir() {
    return QStringLiteral(ZAMP_BINARY_DIR);
}

} // namespace testenv
