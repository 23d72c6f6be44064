#include "controls/progress_dialog.h"

#include "controls/dialog_units.h"
#include "controls/gradient_button.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>
#include <chrono>

namespace controls {
namespace {

std::uint32_t lastTextUpdate = 0;
ProgressDialog::TickSource tickSource;

}  // namespace

std::uint32_t ProgressDialog::TickCount()
{
    if (tickSource)
        return tickSource();
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void ProgressDialog::SetTickSourceForTesting(TickSource source) { tickSource = std::move(source); }
std::uint32_t ProgressDialog::LastTextUpdate() { return lastTextUpdate; }

ProgressDialog::ProgressDialog(const QString& title)
    : QDialog(nullptr)
    , m_title(title)
{
}

ProgressDialog::~ProgressDialog()
{
    if (m_windowExists)
        DestroyWindow();
}

bool ProgressDialog::Create(QWidget* parent)
{
    QWidget* owner = parent ? parent->window() : nullptr;
    if (owner && owner->isEnabled()) {
        owner->setEnabled(false);
        m_owner = owner;
        m_ownerDisabled = true;
    }
    setParent(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    // A window under a disabled owner would inherit its state; this one must
    // stay usable for its Cancel button.
    setEnabled(true);
    BuildWindow();
    m_windowExists = true;
    show();
    return true;
}

void ProgressDialog::BuildWindow()
{
    setWindowTitle(QCoreApplication::translate("ProgressDialog", "进度"));
    setModal(false);
    setFont(DialogFont());
    const DialogUnits du(font());
    setFixedSize(du.X(222), du.Y(72));

    m_cancelButton = new GradientButton(QCoreApplication::translate("ProgressDialog", "取消"), this);
    m_cancelButton->setProperty("controlId", 2);
    m_cancelButton->setGeometry(du.Rect(86, 51, 50, 14));
    // Enter does nothing in this dialog, not even on the focused Cancel.
    m_cancelButton->setAutoDefault(false);
    connect(m_cancelButton, &QPushButton::clicked, this, [this] { m_cancelled = true; });

    m_bar = new QProgressBar(this);
    m_bar->setProperty("controlId", 1003);
    m_bar->setGeometry(du.Rect(36, 27, 179, 15));
    m_bar->setTextVisible(false);

    m_percent = new QLabel(QStringLiteral(" 0 %"), this);
    m_percent->setProperty("controlId", 1004);
    m_percent->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_percent->setGeometry(du.Rect(7, 30, 28, 8));

    m_titleLabel = new QLabel(m_title, this);
    m_titleLabel->setProperty("controlId", 1146);
    m_titleLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_titleLabel->setGeometry(du.Rect(7, 7, 208, 14));

    m_bar->setRange(m_low, m_high);
    m_bar->setValue(m_low);
    m_cancelButton->CreateSkin(8, 8, 10, 0, 0);
    m_cancelButton->setFocus();
}

void ProgressDialog::SetRange(int low, int high)
{
    m_low = low;
    m_high = high;
    // The bar holds each end as a 16-bit value.
    if (m_bar)
        m_bar->setRange(static_cast<std::uint16_t>(low), static_cast<std::uint16_t>(high));
}

void ProgressDialog::PumpMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

int ProgressDialog::SetPos(int pos)
{
    PumpMessages();
    int previous = 0;
    if (m_bar) {
        previous = m_bar->value();
        // The bar clamps a position outside its range, rather than ignore it.
        m_bar->setValue(std::clamp(pos, m_bar->minimum(), std::max(m_bar->minimum(), m_bar->maximum())));
    }
    // A range with equal ends has no percentage; the text stays as it is.
    if (m_percent && m_high != m_low) {
        int percent = static_cast<int>((std::int64_t(pos) - m_low) * 100 / (std::int64_t(m_high) - m_low));
        if (percent != 100)
            percent %= 100;
        const QString text = QString::asprintf("%d%c", percent, '%');
        const std::uint32_t now = TickCount();
        if (text != m_percent->text() && std::uint32_t(now - lastTextUpdate) > kTextIntervalMs) {
            m_percent->setText(text);
            lastTextUpdate = now;
        }
    }
    return previous;
}

int ProgressDialog::GetPos() const { return m_bar ? m_bar->value() : 0; }

QString ProgressDialog::PercentText() const { return m_percent ? m_percent->text() : QString(); }

bool ProgressDialog::CheckCancel()
{
    PumpMessages();
    const bool cancelled = m_cancelled;
    m_cancelled = false;
    return cancelled;
}

void ProgressDialog::DestroyWindow()
{
    if (m_ownerDisabled && m_owner)
        m_owner->setEnabled(true);
    m_ownerDisabled = false;
    m_windowExists = false;
    hide();
}

void ProgressDialog::reject() { m_cancelled = true; }  // Esc: only the flag
void ProgressDialog::accept() {}                       // Enter: nothing

void ProgressDialog::closeEvent(QCloseEvent* event)
{
    m_cancelled = true;
    event->ignore();
}

void ProgressDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace controls
