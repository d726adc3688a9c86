// SPDX-License-Identifier: MIT

#pragma once

#include <QString>

// The "EZ Help" text, with the list of colour tags made from the palette and, last, where the
// settings are kept (`settingsFile`, shown with the platform's separators).
QString helpText(const QString& settingsFile);
