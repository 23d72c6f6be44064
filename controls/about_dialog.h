#pragma once
// The about box: program name and version, the home page and the support
// mail address as links.

#include <QDialog>

namespace controls {

class GradientButton;
class HyperlinkLabel;

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

    GradientButton* OkButton() const { return m_okButton; }
    HyperlinkLabel* HomeLink() const { return m_homeLink; }
    HyperlinkLabel* SupportLink() const { return m_supportLink; }

private:
    GradientButton* m_okButton = nullptr;
    HyperlinkLabel* m_homeLink = nullptr;
    HyperlinkLabel* m_supportLink = nullptr;
};

}  // namespace controls
