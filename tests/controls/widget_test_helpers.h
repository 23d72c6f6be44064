#pragma once
// Small helpers for the widget tests: pixels, screenshots, waiting on the
// event loop, answering modal message boxes.

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace widgettest {

inline QRgb Px(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xff000000u; }
inline QImage Shot(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// Saves pictures side by side, enlarged, for a person to look at.
inline void SaveSheet(const QList<QImage>& images, const QString& name, int zoom = 3)
{
    QSize size(8, 16);
    for (const QImage& i : images)
        size = QSize(size.width() + i.width() + 8, std::max(size.height(), i.height() + 16));
    QImage sheet(size, QImage::Format_RGB32);
    sheet.fill(QColor(200, 200, 200));
    QPainter p(&sheet);
    for (int i = 0, x = 8; i < images.size(); x += images[i++].width() + 8)
        p.drawImage(x, 8, images[i]);
    p.end();
    EXPECT_TRUE(sheet.scaled(sheet.size() * zoom).save(QDir(testsupport::ScreenshotDir()).filePath(name + ".png")));
}

// Runs the event loop until the condition holds; false after the timeout.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 5000)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

// A plain mouse move (no button), as the mouse over the widget would send.
inline void Hover(QWidget* widget, QPoint pos)
{
    QMouseEvent move(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

inline void Leave(QWidget* widget)
{
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(widget, &event);
}

// Where the slider's thumb is drawn now.
inline QRect SliderHandle(const QSlider& slider)
{
    QStyleOptionSlider option;
    option.initFrom(&slider);
    option.orientation = slider.orientation();
    option.minimum = slider.minimum();
    option.maximum = slider.maximum();
    option.sliderPosition = option.sliderValue = slider.sliderPosition();
    option.pageStep = slider.pageStep();
    return slider.style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &slider);
}

// Answers every modal window of class T that comes up while this lives.
template <typename T>
class ModalAnswer : public QObject {
public:
    explicit ModalAnswer(std::function<void(T&)> answer)
    {
        connect(&m_timer, &QTimer::timeout, this, [this, answer = std::move(answer)] {
            if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget()); w && w->isVisible()) {
                ++seen;
                answer(*w);
            }
        });
        m_timer.start(10);
    }
    int seen = 0;

private:
    QTimer m_timer;
};

// Closes every modal message box that comes up and keeps the last one's text.
class MessageBoxCatcher : public ModalAnswer<QMessageBox> {
public:
    MessageBoxCatcher()
        : ModalAnswer([this](QMessageBox& box) {
            text = box.text();
            icon = box.icon();
            ++count;
            box.done(QMessageBox::Ok);
        })
    {
    }
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int count = 0;
};

}  // namespace widgettest
