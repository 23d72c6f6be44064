#pragma once
// Small helpers for the widget tests: screenshots, waiting on the event loop,
// answering modal message boxes.

#include "support/test_support.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace widgettest {

inline void saveShot(QWidget* widget, const QString& name, int zoom = 1)
{
    QImage image = widget->grab().toImage();
    if (zoom > 1)
        image = image.scaled(image.size() * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    image.save(QDir(testsupport::screenshotDir()).filePath(name + ".png"));
}

// Runs the event loop until the condition holds; false after the timeout.
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Sends a plain mouse move (no button) to a widget, as the mouse over it would.
inline void hover(QWidget* widget, QPoint pos)
{
    QMouseEvent move(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

// Arms a watcher that closes the next modal message box and keeps its text.
class MessageBoxCatcher : public QObject {
public:
    MessageBoxCatcher()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                m_text = box->text();
                m_icon = box->icon();
                ++m_count;
                box->done(QMessageBox::Ok);
            }
        });
        m_timer.start(10);
    }
    QString text() const { return m_text; }
    QMessageBox::Icon icon() const { return m_icon; }
    int count() const { return m_count; }

private:
    QTimer m_timer;
    QString m_text;
    QMessageBox::Icon m_icon = QMessageBox::NoIcon;
    int m_count = 0;
};

}  // namespace widgettest
