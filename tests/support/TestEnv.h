#pragma once

#include <QString>

namespace testenv {

// The folder of media files made by scripts/make-test-media for this build.
QString mediaDir();
// A file in that folder.
QString media(const QString &name);
// The top of the build tree (where zandoramp and chatroom are).
QString binaryDir();

} // namespace testenv
