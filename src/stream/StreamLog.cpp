#include "stream/StreamLog.h"

Q_LOGGING_CATEGORY(lcStream, "zandoramp.stream")
