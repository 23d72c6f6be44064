#pragma once
// The send-mail dialog: recipients, subject, body, an optional signature and
// the attachments as editable texts, the user's mail account, and the
// remembered recipients, subject and account. It closes by itself only after
// a successful send.

#include <QDialog>
#include <QMessageBox>
#include <QString>

#include "mail/mapi_session.h"
#include "resources/strings.h"

class QComboBox;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class SettingsStore;

namespace controls {
class GradientButton;
}

namespace mail {

class MailDialog : public QDialog {
    Q_OBJECT
public:
    // `store` holds the remembered values (not owned; the program's own store
    // when none); `handOver` carries the message (xdg-email when none);
    // `home` is where mail accounts are looked for (the user's home when empty).
    explicit MailDialog(SettingsStore* store = nullptr, std::unique_ptr<MailHandOver> handOver = nullptr,
                        const QString& home = QString());
    ~MailDialog() override;

    void AddAttachment(const QString& path);

    // Control ids of the dialog's template.
    enum ControlId {
        IdSend = 1,
        IdCancel = 2,
        IdBody = 1242,
        IdWithSignature = 1243,
        IdRecipients = 1244,
        IdSubject = 1045,
        IdAttachments = 1247,
        IdSignature = 1249,
        IdHint = 1061,
        IdAccount = 1263,
    };
    QWidget* Control(int id) const;

    const MapiSession& Mapi() const { return m_mapi; }

public slots:
    void OnSend();

protected:
    void paintEvent(QPaintEvent* event) override;
    // Shows string `stringId`; kept apart so that every message goes one way.
    virtual void ShowMessage(resources::StringId stringId, QMessageBox::Icon icon);

private:
    void BuildControls();
    void OnInitDialog();
    void FillAccountList();
    void UpdateData(bool fromControls);
    void WriteHistory();

    controls::GradientButton* m_sendButton = nullptr;
    controls::GradientButton* m_cancelButton = nullptr;
    QString m_recipients;
    QString m_subject;
    QString m_body;
    QString m_signature;
    QString m_attachments;
    bool m_withSignature = true;
    QString m_account;
    MapiSession m_mapi;

    SettingsStore* m_store;
    std::unique_ptr<SettingsStore> m_ownStore;
    QString m_home;
    QLineEdit* m_recipientsEdit = nullptr;
    QLineEdit* m_subjectEdit = nullptr;
    QPlainTextEdit* m_bodyEdit = nullptr;
    QCheckBox* m_withSignatureBox = nullptr;
    QPlainTextEdit* m_signatureEdit = nullptr;
    QPlainTextEdit* m_attachmentsEdit = nullptr;
    QLabel* m_hint = nullptr;
    QComboBox* m_accountBox = nullptr;
};

}  // namespace mail
