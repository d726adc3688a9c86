// SPDX-License-Identifier: MIT

#pragma once

#include <QObject>

class QSocketNotifier;

namespace safety {

// Turns SIGTERM, SIGHUP and SIGINT into a signal on the event loop, so the editor can write its
// recovery copy before it ends. The handlers only write the signal's number to a socket pair;
// everything else happens in requested(). One instance at a time.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    // Puts the handlers that were there before back.
    ~TerminationSignals() override;

    // False (and nothing installed) when the socket pair or a handler cannot be set up, or
    // another instance is installed.
    bool install();
    // Puts the handlers that were there before back; the default ones after that end the
    // program again.
    void restore();
    bool installed() const;

signals:
    // `signal` arrived; delivered on the event loop.
    void requested(int signal);

private:
    void readSignal();

    QSocketNotifier* notifier_ = nullptr;
};

} // namespace safety
