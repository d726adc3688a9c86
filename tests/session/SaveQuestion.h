// SPDX-License-Identifier: MIT

#pragma once

// The session's question about unsaved edits, for the tests of the file commands and of the
// document session.

#include "WindowFixture.h"

#include <QTest>

namespace session_test {

inline void compareQuestion(const platform::MessageBox& box)
{
    QCOMPARE(box.text, QStringLiteral("You have edited this file since last save, save?"));
    QCOMPARE(box.title, QStringLiteral("Save?"));
    QCOMPARE(box.icon, platform::Icon::Information);
    QCOMPARE(box.buttons, platform::Buttons::YesNoCancel);
    QCOMPARE(box.defaultButton, std::optional(platform::Button::Yes));
}

// Closing the window asks the question, and its Cancel keeps the window open.
inline void cancelCloseAtQuestion(WindowFixture& f)
{
    const qsizetype shown = f.desktop.boxes.size();
    f.desktop.answer(platform::Button::Cancel);
    QVERIFY(!f.w().close());
    QVERIFY(f.w().isVisible());
    QCOMPARE(f.desktop.boxes.size(), shown + 1);
    compareQuestion(f.desktop.boxes.last().box);
}

} // namespace session_test
