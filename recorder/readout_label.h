#pragma once
// A readout's label. It looks and reads as a plain-text QLabel, but keeps
// the laid-out form of each line: only the digits change while recording,
// and laying out the label's caption anew at every report (a font fallback
// for the Chinese caption) was most of what the window thread spent on a take.

#include <QHash>
#include <QLabel>
#include <QTextLayout>
#include <memory>
#include <vector>

class ReadoutLabel : public QLabel {
    Q_OBJECT

public:
    explicit ReadoutLabel(const QString& text, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Line {
        QString text;
        std::vector<std::shared_ptr<QTextLayout>> pieces;  // the whole line, or its characters
    };
    // Whether the cached lines can paint this label as QLabel itself would.
    bool CanPaintLines() const;
    std::shared_ptr<QTextLayout> LayOut(const QString& text);
    void LayOutLines();

    std::vector<Line> m_lines;
    QHash<QChar, std::shared_ptr<QTextLayout>> m_figures;
};
