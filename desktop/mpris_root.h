#pragma once
// org.mpris.MediaPlayer2: who the player is, and raising or closing its window.

#include <QDBusAbstractAdaptor>
#include <QPointer>
#include <QStringList>
#include <QWidget>

namespace desktop {

class MprisRoot : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
    // `window` is raised and closed; `parent` is the object on the bus.
    MprisRoot(QWidget& window, QObject* parent);

    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return QStringLiteral("Quillon"); }
    QString DesktopEntry() const { return QStringLiteral("quillon"); }
    QStringList SupportedUriSchemes() const { return {QStringLiteral("file")}; }
    QStringList SupportedMimeTypes() const;

public slots:
    void Raise();
    // Closes the window as its own close box does, asking about an unsaved recording.
    void Quit();

private:
    QPointer<QWidget> m_window;
};

}  // namespace desktop
