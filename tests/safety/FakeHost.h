// SPDX-License-Identifier: MIT

#pragma once

#include "safety/DocumentHost.h"

#include <QWidget>

// A document session as the safety classes see it, without a window: the test sets its state
// and reads what was done to it.
class FakeHost : public safety::DocumentHost {
public:
    explicit FakeHost(QString settingsFolder) : settings(std::move(settingsFolder)) {}

    QWidget window;
    QString settings, path, title = QStringLiteral("Untitled1");
    bool edited = false;
    skyrend::ColoredText doc;
    int restores = 0;

    // An edited document that holds `text`, all in `color`.
    void edit(const QString& file, const std::u16string& text, skyrend::ColorRef color)
    {
        path = file;
        edited = true;
        doc = {text, {{text.size(), color}}};
    }

    QWidget* widget() override { return &window; }
    QString documentPath() const override { return path; }
    QString documentTitle() const override { return title; }
    bool isEdited() const override { return edited; }
    bool isBusy() const override { return false; }
    skyrend::ColoredText shownText() const override { return doc; }
    QString settingsFolder() const override { return settings; }
    void reload() override { edited = false; }
    void markEdited() override { edited = true; }
    bool restore(const QString& toPath, const QString& toTitle,
                 const skyrend::ColoredText& recovered) override
    {
        ++restores;
        path = toPath;
        title = toTitle;
        doc = recovered;
        edited = true;
        return true;
    }
};
