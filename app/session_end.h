#pragma once
// Turns the signals that end a desktop session (SIGTERM from the session
// manager, SIGHUP from a closed terminal) into a call on the window thread,
// so that what the user set and listed is written before the process goes.

#include <functional>

#include <QObject>

class QSocketNotifier;

class SessionEndWatcher : public QObject {
    Q_OBJECT
public:
    explicit SessionEndWatcher(std::function<void()> onEnd);
    // Gives the signals their default meaning back.
    ~SessionEndWatcher() override;

private:
    void OnSignal();

    std::function<void()> m_onEnd;
    QSocketNotifier* m_notifier = nullptr;
};
