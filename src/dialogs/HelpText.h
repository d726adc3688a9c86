#pragma once

#include <QString>

// The "EZ Help" text, with the list of colour tags made from the palette.
QString helpText();
