#include "session/Log.h"

Q_LOGGING_CATEGORY(lcPlayer, "zandoramp")
