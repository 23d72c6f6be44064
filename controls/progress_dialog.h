#pragma once
// Progress of a long operation that runs on the user interface thread. The
// dialog is modeless: the caller keeps its loop and calls SetPos and
// CheckCancel between pieces of work; both let pending events run, so every
// window keeps repainting. The owner window stays disabled while the dialog
// exists, so Cancel is the only thing the user can do.

#include <QDialog>
#include <QPointer>

#include <cstdint>
#include <functional>

class QLabel;
class QProgressBar;

namespace controls {

class GradientButton;

class ProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit ProgressDialog(const QString& title);
    ~ProgressDialog() override;

    // Disables the owner (the top-level window of `parent`, when enabled) and
    // shows the dialog. Always succeeds with Qt; false would mean the caller
    // works on without a progress display.
    bool Create(QWidget* parent);
    void SetRange(int low, int high);
    // Lets pending events run, moves the bar, refreshes the percentage text
    // (at most every 300 ms across all progress dialogs, and only when it
    // changes); returns the bar's previous position.
    int SetPos(int pos);
    int GetPos() const;
    // Lets pending events run; true once for each Cancel since the last call.
    bool CheckCancel();
    // Enables the owner again when this dialog disabled it, then closes.
    void DestroyWindow();

    QString PercentText() const;
    QWidget* Owner() const { return m_owner; }
    GradientButton* CancelButton() const { return m_cancelButton; }

    // Milliseconds of a monotonic clock, as an unsigned 32-bit count.
    using TickSource = std::function<std::uint32_t()>;
    static std::uint32_t TickCount();
    // Replaces the clock (tests); an empty function restores the real one.
    static void SetTickSourceForTesting(TickSource source);
    // When a percentage text was last written, by any progress dialog.
    static std::uint32_t LastTextUpdate();

    static constexpr std::uint32_t kTextIntervalMs = 300;

protected:
    void reject() override;
    void accept() override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildWindow();
    void PumpMessages();

    GradientButton* m_cancelButton = nullptr;
    QProgressBar* m_bar = nullptr;
    QString m_title;
    std::int32_t m_low = 0;
    std::int32_t m_high = 100;
    std::int32_t m_step = 10;  // kept for the bar's step; Qt's bar has none
    bool m_cancelled = false;
    bool m_ownerDisabled = false;
    QPointer<QWidget> m_owner;

    QLabel* m_percent = nullptr;
    QLabel* m_titleLabel = nullptr;
    bool m_windowExists = false;
};

}  // namespace controls
