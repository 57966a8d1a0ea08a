#pragma once

#include <QObject>

class QSocketNotifier;

namespace varnic {

// SIGTERM, SIGINT and SIGHUP end the event loop as "Quit" does, so that
// Varnic takes down what it set up and exits with status 0. A signal handler
// may only do async-signal-safe work: it writes the signal number to a pipe,
// and the event loop reads it from there. Lives while the event loop runs;
// destroying it restores the default actions.
class SignalQuit : public QObject {
    Q_OBJECT

  public:
    explicit SignalQuit(QObject* parent = nullptr);
    ~SignalQuit() override;

    SignalQuit(const SignalQuit&) = delete;
    SignalQuit& operator=(const SignalQuit&) = delete;

  private:
    void quit();

    int readEnd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace varnic
