#pragma once

#include <QString>

// The list of chat commands shown by "Commands": ten lines joined by CR LF.
QString commandsHelpText();
