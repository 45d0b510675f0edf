#include "tray/NoTray.h"
