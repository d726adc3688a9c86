// SPDX-License-Identifier: MIT

#pragma once

#include "session/DocumentSession.h"

namespace session {

// A load or save is running: input is refused until it ends, and the session says so.
class BusyScope {
public:
    BusyScope(DocumentSession& session, DocumentSession::Activity activity);
    ~BusyScope();
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    DocumentSession& session_;
    DocumentSession::Activity previous_;
};

// Changes the program makes to the box that are not the user's edits (loading, New).
class QuietScope {
public:
    explicit QuietScope(DocumentSession& session);
    ~QuietScope();
    QuietScope(const QuietScope&) = delete;
    QuietScope& operator=(const QuietScope&) = delete;

private:
    DocumentSession& session_;
};

} // namespace session
