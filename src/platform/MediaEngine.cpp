#include "platform/MediaEngine.h"
