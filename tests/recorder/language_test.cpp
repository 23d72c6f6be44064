// The window and its dialogs in each language, as a screen reader and an
// English-speaking user meet them: every control the keyboard reaches has a
// name, the keyboard walks the window in reading order, and under English no
// Chinese character is left on screen (the user's data aside).

#include "recorder/window_fixture.h"
#include "controls/widget_test_helpers.h"

#include <QAccessible>
#include <QMenu>
#include <QRegularExpression>

#include "controls/about_dialog.h"
#include "controls/dialog_units.h"
#include "mail/mail_dialog.h"
#include "mail/mail_test_support.h"
#include "playlist/playlist_actions.h"
#include "playlist/remove_items_dialog.h"
#include "resources/language.h"

namespace {

using resources::Language;
using windowtest::RecorderWindowTest;

// CJK ideographs and extensions, CJK punctuation, full-width forms.
const QRegularExpression
    kChinese(QStringLiteral("[\\x{3000}-\\x{303F}\\x{3400}-\\x{9FFF}\\x{F900}-\\x{FAFF}\\x{FF00}-\\x{FFEF}]"));

QString Describe(const QWidget* w)
{
    return QStringLiteral("%1 #%2").arg(w->metaObject()->className()).arg(w->property("controlId").toInt());
}

QString AccessibleText(QWidget* w, QAccessible::Text t)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    return iface ? iface->text(t) : QString();
}

// Every text `top` and its children show: titles, captions, items, tooltips,
// accessible names and descriptions; widgets in `data` show the user's data
// and are left out.
QStringList ShownTexts(QWidget* top, const QList<QWidget*>& data = {})
{
    QStringList texts{top->windowTitle()};
    QList<QWidget*> widgets = top->findChildren<QWidget*>();
    widgets.prepend(top);
    for (QWidget* w : widgets) {
        if (w->window() != top ||
            std::any_of(data.begin(), data.end(), [w](QWidget* d) { return w == d || d->isAncestorOf(w); }))
            continue;
        const QString who = Describe(w) + ": ";
        for (const QString& t : {w->toolTip(), w->accessibleName(), w->accessibleDescription(),
                                 AccessibleText(w, QAccessible::Name), AccessibleText(w, QAccessible::Description)})
            texts << who + t;
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            texts << who + b->text();
        if (auto* b = qobject_cast<controls::BitmapButton*>(w))
            texts << who + b->TipText();
        if (auto* l = qobject_cast<QLabel*>(w))
            texts << who + l->text();
        if (auto* g = qobject_cast<QGroupBox*>(w))
            texts << who + g->title();
        if (auto* c = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < c->count(); ++i)
                texts << who + c->itemText(i);
        for (QAction* a : w->actions())
            texts << who + a->text() + a->toolTip();
    }
    return texts;
}

// Focusable widgets of `top` whose accessible name is empty.
QStringList UnnamedControls(QWidget* top)
{
    QStringList unnamed;
    for (QWidget* w : top->findChildren<QWidget*>()) {
        if (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(top) || w->focusProxy())
            continue;
        // An editable combo box's line edit speaks through the combo box.
        if (qobject_cast<QComboBox*>(w->parentWidget()))
            continue;
        if (AccessibleText(w, QAccessible::Name).trimmed().isEmpty())
            unnamed << Describe(w);
    }
    return unnamed;
}

// Captions wider than their control: the translation must be shortened.
QStringList ClippedTexts(QWidget* top)
{
    QStringList clipped;
    for (QWidget* w : top->findChildren<QWidget*>()) {
        if (w->window() != top || !w->isVisibleTo(top))
            continue;
        int needed = 0;
        if (auto* button = qobject_cast<QPushButton*>(w))
            // A push button's size hint has a style minimum: the text itself counts.
            needed = button->text().isEmpty()
                ? 0
                : button->fontMetrics().horizontalAdvance(QString(button->text()).remove('&')) + 4;
        else if (qobject_cast<QAbstractButton*>(w))
            needed = w->sizeHint().width();
        else if (auto* label = qobject_cast<QLabel*>(w); label && !label->wordWrap())
            needed = w->sizeHint().width();
        if (needed > w->width())
            clipped << QStringLiteral("%1 needs %2 px, has %3").arg(Describe(w)).arg(needed).arg(w->width());
    }
    return clipped;
}

class LanguageTest : public RecorderWindowTest, public ::testing::WithParamInterface<Language> {
protected:
    void SetUp() override
    {
        RecorderWindowTest::SetUp();
        ASSERT_TRUE(resources::InstallTranslations(GetParam()));
        Open().show();
    }
    void TearDown() override
    {
        RecorderWindowTest::TearDown();
        resources::InstallTranslations(Language::Chinese);
    }
    bool English() const { return GetParam() == Language::English; }
    // The window's controls that show the sound card's and the user's data.
    QList<QWidget*> WindowData() const
    {
        return {Ctl(id::DeviceList), Ctl(id::LineList), Ctl(id::FolderEdit), Ctl(id::Playlist)};
    }
};

// Every control has a name in the language; the panel button's says what it
// will do next, a playlist row its title and state.
TEST_P(LanguageTest, TheWindowAndItsDialogsNameEveryControlAndSpeakOneLanguage)
{
    const auto toggleName = [&] { return AccessibleText(Ctl(id::PanelToggle), QAccessible::Name); };
    EXPECT_EQ(toggleName(), resources::Text(resources::IDS_TIP_HIDE_PLAYLIST));
    Click(id::PanelToggle);
    EXPECT_EQ(toggleName(), resources::Text(resources::IDS_TIP_SHOW_PLAYLIST));
    Click(id::PanelToggle);
    const QString missing = dir.filePath("missing.wav");
    window->PlaylistPanel().AddRecording(missing, true);
    std::unique_ptr<QMenu> menu = window->PlaylistPanel().Actions().CreatePopupMenu(&window->PlaylistBox());

    controls::AboutDialog about(window.get());
    playlist::RemoveItemsDialog remove(3, *store, window.get());
    controls::ProgressDialog progress(resources::Text(resources::IDS_COMPRESSING_TITLE));
    ASSERT_TRUE(progress.Create(window.get()));
    mailtest::Recorded mailed;
    mailtest::ScratchSettings mailSettings;
    mail::MailDialog mail(&mailSettings.store, std::make_unique<mailtest::RecordingHandOver>(mailed), dir.path());
    QMessageBox question(QMessageBox::Question, window->windowTitle(), resources::Text(resources::IDS_ASK_SAVE_CHANGES),
                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, window.get());
    about.show();
    remove.show();
    mail.show();
    question.show();

    struct Shown {
        QWidget* top;
        QList<QWidget*> data;
    };
    const QList<QWidget*> mailData = {
        mail.Control(mail::MailDialog::IdAccount),   mail.Control(mail::MailDialog::IdRecipients),
        mail.Control(mail::MailDialog::IdSubject),   mail.Control(mail::MailDialog::IdBody),
        mail.Control(mail::MailDialog::IdSignature), mail.Control(mail::MailDialog::IdAttachments)};
    const Shown shown[] = {{window.get(), WindowData()},
                           {menu.get(), {}},
                           {&about, {}},
                           {&remove, {}},
                           {&progress, {}},
                           {&mail, mailData},
                           {&question, {}}};
    for (const Shown& s : shown) {
        SCOPED_TRACE(s.top->metaObject()->className());
        s.top->grab().save(QDir(testsupport::ScreenshotDir())
                               .filePath(QStringLiteral("language-%1-%2.png")
                                             .arg(English() ? "en" : "zh", s.top->metaObject()->className())
                                             .replace(QStringLiteral("::"), QStringLiteral("-"))));
        EXPECT_EQ(ClippedTexts(s.top), QStringList());
        EXPECT_EQ(UnnamedControls(s.top), QStringList());
        const QStringList chinese = ShownTexts(s.top, s.data).filter(kChinese);
        if (English())
            EXPECT_EQ(chinese, QStringList());
        else
            EXPECT_FALSE(chinese.isEmpty());
    }
    // A window built afterwards follows the language too, and so do Qt's own buttons.
    EXPECT_EQ(window->windowTitle().contains(kChinese), !English());
    EXPECT_EQ(question.button(QMessageBox::Cancel)->text().remove('&').startsWith(QString::fromUtf8("取消")),
              !English());
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(Ctl(id::Playlist));
    ASSERT_NE(list, nullptr);
    QString row;
    ASSERT_TRUE(widgettest::WaitUntil([&] {
        for (int i = 0; i < list->childCount(); ++i)
            if (list->child(i)->text(QAccessible::Name).contains(missing))
                row = list->child(i)->text(QAccessible::Name);
        return row.contains(resources::Text(resources::IDS_LOAD_FILE_MISSING));
    })) << row.toStdString();
}

TEST_P(LanguageTest, EveryNumberedTextReadsInTheLanguage)
{
    QStringList texts;
    for (int id = 0; id < 1000; ++id)
        texts << QString::number(id) + ": " + resources::Text(resources::StringId(id));
    const QStringList chinese = texts.filter(kChinese);
    if (English())
        EXPECT_EQ(chinese, QStringList());
    else
        EXPECT_GT(chinese.size(), 80);
}

TEST_P(LanguageTest, TheKeyboardWalksTheWindowInReadingOrder)
{
    // Left column top to bottom, then the playlist column, then the tips line
    // across the foot of the window.
    const controls::DialogUnits du(window->font());
    auto part = [&](QWidget* w) { return w->y() >= du.Y(360) ? 2 : w->x() >= du.X(216) ? 1 : 0; };
    QWidget* first = Ctl(id::DeviceList);
    QWidget* w = first;
    QList<QWidget*> chain;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window.get()) && w->window() == window.get())
            chain << w;
        w = w->nextInFocusChain();
    } while (w != first && chain.size() < 200);
    ASSERT_GT(chain.size(), 20);
    for (qsizetype i = 1; i < chain.size(); ++i) {
        QWidget* a = chain[i - 1];
        QWidget* b = chain[i];
        SCOPED_TRACE(Describe(a).toStdString() + " -> " + Describe(b).toStdString());
        if (part(a) != part(b)) {
            EXPECT_LT(part(a), part(b));
            continue;
        }
        const bool sameRow = std::abs(a->y() - b->y()) <= du.Y(4);
        EXPECT_TRUE(sameRow ? b->x() > a->x() : b->y() > a->y());
    }
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, LanguageTest, ::testing::Values(Language::Chinese, Language::English),
                         [](const auto& info) { return info.param == Language::English ? "English" : "Chinese"; });

}  // namespace
