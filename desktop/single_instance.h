#pragma once
// One window per user session: the first start owns the program's name on
// the session bus; a later start hands its files to that window and ends.
// Without a session bus every start is a window of its own.

#include <QObject>
#include <QStringList>

namespace desktop {

class SingleInstance : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.example.quillon.Quillon")
public:
    static constexpr const char* kServiceName = "com.example.quillon.Quillon";
    static constexpr const char* kObjectPath = "/com/example/quillon/Quillon";

    enum class Role {
        First,       // this process owns the name: files of later starts arrive here
        HandedOver,  // the running window took the files: this start ends
        Alone,       // no session bus, or the owner did not answer
    };

    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    Role Start(const QStringList& paths);

public slots:
    // Called over the bus by a later start (the paths are absolute).
    Q_SCRIPTABLE void Open(const QStringList& paths);

signals:
    void FilesReceived(const QStringList& paths);

private:
    bool m_registered = false;
};

}  // namespace desktop
