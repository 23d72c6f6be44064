#include "controls/about_dialog.h"

#include "controls/dialog_units.h"
#include "controls/gradient_button.h"
#include "controls/hyperlink_label.h"
#include "resources/addresses.h"

#include <QCoreApplication>
#include <QLabel>

namespace controls {
namespace {

QLabel* PlainLabel(const QString& text, QWidget* parent, const QRect& geometry)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(geometry);
    return label;
}

}  // namespace

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QCoreApplication::translate("AboutDialog", "关于Recorder"));
    setFont(DialogFont());
    const DialogUnits du(font());
    setFixedSize(du.X(215), du.Y(119));

    const QString home = QString::fromLatin1(resources::kHomePage);
    const QString support = QString::fromLatin1(resources::kSupportMail);

    // In template order, which is the tab order.
    m_okButton = new GradientButton(QCoreApplication::translate("AboutDialog", "确定"), this);
    m_okButton->setProperty("controlId", 1);
    m_okButton->setGeometry(du.Rect(158, 94, 50, 17));
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);

    PlainLabel(QStringLiteral("Quillon 2.5"), this, du.Rect(7, 7, 201, 8))->setProperty("controlId", 1262);

    m_homeLink = new HyperlinkLabel(home, this);
    m_homeLink->setProperty("controlId", 1019);
    m_homeLink->setGeometry(du.Rect(52, 51, 119, 8));

    m_supportLink = new HyperlinkLabel(support, this);
    m_supportLink->setProperty("controlId", 1021);
    m_supportLink->setGeometry(du.Rect(50, 69, 122, 8));

    PlainLabel(QCoreApplication::translate("AboutDialog", "主页:"), this, du.Rect(10, 51, 38, 8));
    PlainLabel(QCoreApplication::translate("AboutDialog", "技术支持:"), this, du.Rect(10, 69, 36, 8));

    m_homeLink->Attach();
    m_supportLink->Attach();

    m_okButton->CreateSkin(8, 8, 10, 0, 0);
    m_supportLink->SetAutoSize(true);
    m_supportLink->SetIsUrl(false);
    m_supportLink->SetUrl(support);
    m_homeLink->SetAutoSize(true);
    m_homeLink->SetIsUrl(true);
    m_homeLink->SetUrl(home);
    m_homeLink->setText(home);
    m_supportLink->setText(support);
    m_okButton->setFocus();
}

}  // namespace controls
