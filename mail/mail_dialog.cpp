#include "mail/mail_dialog.h"

#include <QCoreApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTimer>

#include "settings/settings_store.h"
#include "controls/dialog_units.h"
#include "controls/gradient_button.h"
#include "controls/system_colours.h"
#include "mail/mail_accounts.h"
#include "resources/strings.h"

namespace mail {

namespace {

constexpr int kWidthDlu = 306;
constexpr int kHeightDlu = 348;
constexpr int kRecipientsLimit = 512;
constexpr int kSubjectLimit = 1024;
constexpr int kAccountLimit = 256;

const char kAccountKey[] = "MailAccount";
const char kSubjectKey[] = "MailSubject";
const char kTargetsKey[] = "MailTargets";

// The members keep the CR LF line ends of the message; the editors use LF.
QString ToEditor(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

QString FromEditor(QString text) { return text.replace(QLatin1Char('\n'), QStringLiteral("\r\n")); }

}  // namespace

MailDialog::MailDialog(SettingsStore* store, std::unique_ptr<MailHandOver> handOver, const QString& home)
    : QDialog(nullptr)
    , m_mapi(std::move(handOver))
    , m_store(store)
    , m_home(home.isEmpty() ? QDir::homePath() : home)
{
    if (!m_store) {
        m_ownStore = std::make_unique<SettingsStore>();
        m_store = m_ownStore.get();
    }
    m_recipients = m_store->ReadHistoryString(QString::fromLatin1(kTargetsKey), QString());
    m_subject = m_store->ReadHistoryString(QString::fromLatin1(kSubjectKey), QString());
    m_account = m_store->ReadHistoryString(QString::fromLatin1(kAccountKey), QString());
    m_signature = resources::Text(resources::IDS_MAIL_SIGNATURE);
    m_withSignature = true;

    setWindowTitle(QCoreApplication::translate("MailDialog", "发送邮件"));
    setFont(controls::DialogFont());
    BuildControls();
    OnInitDialog();
}

MailDialog::~MailDialog()
{
    m_mapi.Unload();
    WriteHistory();
}

void MailDialog::WriteHistory()
{
    m_store->WriteHistoryString(QString::fromLatin1(kAccountKey), m_account);
    m_store->WriteHistoryString(QString::fromLatin1(kSubjectKey), m_subject);
    m_store->WriteHistoryString(QString::fromLatin1(kTargetsKey), m_recipients);
    m_store->Sync();
}

void MailDialog::AddAttachment(const QString& path)
{
    m_attachments += path + QStringLiteral("\r\n");
    m_attachmentsEdit->setPlainText(ToEditor(m_attachments));
}

QWidget* MailDialog::Control(int id) const
{
    for (QWidget* w : findChildren<QWidget*>()) {
        if (w->property("controlId").toInt() == id)
            return w;
    }
    return nullptr;
}

void MailDialog::BuildControls()
{
    const controls::DialogUnits units(font());
    setFixedSize(units.X(kWidthDlu), units.Y(kHeightDlu));
    auto place = [&](QWidget* w, int id, int x, int y, int width, int height) {
        w->setGeometry(units.Rect(x, y, width, height));
        if (id)
            w->setProperty("controlId", id);
        return w;
    };
    auto label = [&](const char* text, int x, int y, int width, int height) {
        auto* l = new QLabel(QCoreApplication::translate("MailDialog", text), this);
        place(l, 0, x, y, width, height);
        return l;
    };
    auto multiLine = [&](int id, int x, int y, int width, int height, bool wrap) {
        auto* edit = new QPlainTextEdit(this);
        edit->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        edit->setHorizontalScrollBarPolicy(wrap ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn);
        edit->setTabChangesFocus(true);
        place(edit, id, x, y, width, height);
        return edit;
    };

    // Tab order as the template lists the controls.
    // Each field is named after its label (its buddy) for screen readers.
    QLabel* recipientsLabel =
        label(QT_TRANSLATE_NOOP("MailDialog", "收件人邮件地址 (多个地址之间用分号隔开)："), 7, 54, 292, 8);
    m_recipientsEdit = new QLineEdit(this);
    m_recipientsEdit->setMaxLength(kRecipientsLimit);
    place(m_recipientsEdit, IdRecipients, 7, 64, 292, 14);
    recipientsLabel->setBuddy(m_recipientsEdit);
    QLabel* subjectLabel = label(QT_TRANSLATE_NOOP("MailDialog", "邮件主题："), 7, 82, 292, 8);
    m_subjectEdit = new QLineEdit(this);
    m_subjectEdit->setMaxLength(kSubjectLimit);
    place(m_subjectEdit, IdSubject, 7, 92, 292, 14);
    subjectLabel->setBuddy(m_subjectEdit);
    label(QT_TRANSLATE_NOOP("MailDialog", "邮件正文："), 7, 112, 292, 8)
        ->setBuddy(m_bodyEdit = multiLine(IdBody, 7, 123, 292, 83, true));
    m_withSignatureBox = new QCheckBox(QCoreApplication::translate("MailDialog", "包含如下Quillon签名："), this);
    place(m_withSignatureBox, IdWithSignature, 7, 211, 292, 10);
    m_signatureEdit = multiLine(IdSignature, 7, 223, 292, 28, true);
    m_signatureEdit->setAccessibleName(m_withSignatureBox->text());
    label(QT_TRANSLATE_NOOP("MailDialog", "附件 (一行一个文件)："), 7, 256, 292, 8)
        ->setBuddy(m_attachmentsEdit = multiLine(IdAttachments, 7, 268, 292, 72, false));
    m_sendButton = new controls::GradientButton(QCoreApplication::translate("MailDialog", "发送"), this);
    place(m_sendButton, IdSend, 197, 35, 50, 17);
    m_sendButton->setDefault(true);
    m_cancelButton = new controls::GradientButton(QCoreApplication::translate("MailDialog", "取消"), this);
    place(m_cancelButton, IdCancel, 249, 35, 50, 17);
    m_cancelButton->setAutoDefault(false);
    m_hint = new QLabel(QCoreApplication::translate(
                            "MailDialog", "请确保邮件账户存在，而且您的邮件收发软件是业界标准的邮件客户端软件。"),
                        this);
    m_hint->setAlignment(Qt::AlignCenter);
    place(m_hint, IdHint, 7, 7, 292, 14);
    QLabel* accountLabel = label(QT_TRANSLATE_NOOP("MailDialog", "我的邮件账户："), 7, 25, 120, 8);
    m_accountBox = new QComboBox(this);
    m_accountBox->setEditable(true);
    m_accountBox->setInsertPolicy(QComboBox::NoInsert);
    m_accountBox->lineEdit()->setMaxLength(kAccountLimit);
    // A drop-down combo box's template height includes its list.
    m_accountBox->setGeometry(units.X(7), units.Y(36), units.X(184), m_accountBox->sizeHint().height());
    m_accountBox->setProperty("controlId", int(IdAccount));
    accountLabel->setBuddy(m_accountBox);

    // The hint is drawn on the tooltip background.
    QPalette hintPalette = m_hint->palette();
    hintPalette.setColor(QPalette::Window, palette().color(QPalette::ToolTipBase));
    m_hint->setPalette(hintPalette);
    m_hint->setAutoFillBackground(true);

    connect(m_sendButton, &QPushButton::clicked, this, &MailDialog::OnSend);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void MailDialog::UpdateData(bool fromControls)
{
    if (fromControls) {
        m_recipients = m_recipientsEdit->text();
        m_subject = m_subjectEdit->text();
        m_body = FromEditor(m_bodyEdit->toPlainText());
        m_signature = FromEditor(m_signatureEdit->toPlainText());
        m_attachments = FromEditor(m_attachmentsEdit->toPlainText());
        m_withSignature = m_withSignatureBox->isChecked();
        m_account = m_accountBox->currentText();
        return;
    }
    m_recipientsEdit->setText(m_recipients);
    m_subjectEdit->setText(m_subject);
    m_bodyEdit->setPlainText(ToEditor(m_body));
    m_signatureEdit->setPlainText(ToEditor(m_signature));
    m_attachmentsEdit->setPlainText(ToEditor(m_attachments));
    m_withSignatureBox->setChecked(m_withSignature);
    m_accountBox->setEditText(m_account);
}

void MailDialog::OnInitDialog()
{
    UpdateData(false);
    m_sendButton->CreateSkin(8, 8, 10, 0, 0);
    m_cancelButton->CreateSkin(8, 8, 10, 0, 0);
    FillAccountList();
    m_mapi.Load();
    if (!m_mapi.IsLoaded()) {
        m_sendButton->setEnabled(false);
        // Shown once the dialog itself is on screen.
        QTimer::singleShot(0, this, [this] { ShowMessage(resources::IDS_MAIL_NOT_LOADED, QMessageBox::Critical); });
    }
}

void MailDialog::FillAccountList()
{
    int selected = -1;
    for (const QString& name : ListMailAccounts(m_home)) {
        m_accountBox->addItem(name);
        if (m_account.isEmpty())
            m_account = name;
        // A later name equal but for letter case wins.
        if (m_account.compare(name, Qt::CaseInsensitive) == 0)
            selected = m_accountBox->count() - 1;
    }
    if (selected >= 0) {
        m_accountBox->setCurrentIndex(selected);
    } else {
        // An account that no longer exists is still shown and can be used.
        m_accountBox->setCurrentIndex(-1);
        m_accountBox->setEditText(m_account);
    }
}

void MailDialog::OnSend()
{
    UpdateData(true);
    const QStringList addresses = ParseRecipients(m_recipients);
    const QStringList paths = ParseAttachments(m_attachments);
    if (addresses.size() > kMaxRecipients) {
        ShowMessage(resources::IDS_MAIL_TOO_MANY_RECIPIENTS, QMessageBox::Critical);
        return;
    }
    if (addresses.isEmpty()) {
        ShowMessage(resources::IDS_MAIL_NO_RECIPIENT, QMessageBox::Critical);
        return;
    }
    if (paths.size() > kMaxAttachments) {
        ShowMessage(resources::IDS_MAIL_TOO_MANY_ATTACHMENTS, QMessageBox::Critical);
        return;
    }
    bool lineBreak = HasLineBreak(m_subject);
    for (const QString& address : addresses)
        lineBreak = lineBreak || HasLineBreak(address);
    if (lineBreak) {
        ShowMessage(resources::IDS_MAIL_LINE_BREAK, QMessageBox::Critical);
        return;
    }
    MapiResult status = m_mapi.Logon(this, m_account);
    if (status != kSuccess) {
        ShowMessage(MapiErrorMessageId(status), QMessageBox::Critical);
        return;
    }
    const MapiResult result = m_mapi.Send(this, addresses, m_subject, m_body, m_withSignature, m_signature, paths);
    if (result != kSuccess) {
        ShowMessage(MapiErrorMessageId(result), QMessageBox::Critical);
        return;
    }
    status = m_mapi.Logoff();
    if (status != kSuccess)
        ShowMessage(MapiErrorMessageId(status), QMessageBox::NoIcon);
    UpdateData(true);
    accept();
}

void MailDialog::ShowMessage(resources::StringId stringId, QMessageBox::Icon icon)
{
    QMessageBox box(icon, windowTitle(), resources::Text(stringId), QMessageBox::Ok, this);
    box.exec();
}

void MailDialog::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    // A raised inner edge one pixel outside the hint.
    QPainter painter(this);
    const QRect r = m_hint->geometry().adjusted(-1, -1, 1, 1);
    const QPalette& p = palette();
    painter.setPen(controls::syscolour::Highlight(p));
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(controls::syscolour::Shadow(p));
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
}

}  // namespace mail
