// Misspelt words marked in notes as they are typed, their menu, and the setting that switches it.
#include "foundation/file_attachment.h"
#include "platform/defaults/user_defaults.h"
#include "taskviews/gui/notes_editor.h"
#include "taskviews/gui/notes_spelling_highlighter.h"
#include "taskviews/gui/spelling_menu.h"
#include "taskviews/spelling_service.h"
#include "tests/support/test_dictionary.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPainter>
#include <QTest>
#include <QTextCursor>

#include <gtest/gtest.h>

namespace {

// A list of words written as plain literals.
QStringList ql(std::initializer_list<const char*> items) {
    QStringList list;
    for (const char* item : items) list << QString::fromUtf8(item);
    return list;
}

class NotesSpellingTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        dictionary = std::make_unique<testsupport::TestDictionary>(
            tempPath() + QStringLiteral("/enchant"),
            ql({"call", "the", "plumber", "tomorrow", "about", "leak", "see", "page", "and", "buy", "milk"}));
        service = std::make_unique<TDSpellingService>(testsupport::TestDictionary::Language);
        defaults().setValue(QStringLiteral("checkSpellingContinuously"), true);
        editor = std::make_unique<TDNotesTextView>();
        editor->setSpellingService(service.get());
    }
    void TearDown() override {
        editor.reset();
        service.reset();
        dictionary.reset();
        TempFoldersTest::TearDown();
    }

    // The misspelt words marked once the background check answered.
    QStringList marked() {
        TDNotesSpellingHighlighter* spelling = editor->spellingHighlighter();
        EXPECT_TRUE(testsupport::spinUntil([&] { return !spelling->isWaiting(); }));
        const QString text = editor->document()->toPlainText();
        QStringList words;
        for (const TDRange& range : spelling->misspeltRanges())
            words << text.mid(range.location, range.length);
        return words;
    }

    std::unique_ptr<testsupport::TestDictionary> dictionary;
    std::unique_ptr<TDSpellingService> service;
    std::unique_ptr<TDNotesTextView> editor;
};

TEST_F(NotesSpellingTest, MarksMisspeltWordsButNotLinksTagsOrAttachments) {
    QTextCursor cursor(editor->document());
    cursor.insertText(QStringLiteral("Call the plumbr tomorow about the leak /plumbng @hoem\nsee "));
    QTextCharFormat link;
    link.setAnchor(true);
    link.setAnchorHref(QStringLiteral("https://example.com/pagge"));
    cursor.insertText(QStringLiteral("thiss pagge"), link);
    cursor.insertText(QStringLiteral(" and "), QTextCharFormat());
    const QString attached = tempPath() + QStringLiteral("/wrng nmae.txt");
    QFile file(attached);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    insertFileAttachment(cursor, *BDAlias::fromPath(attached));
    cursor.insertText(QStringLiteral(" buy milkk"));

    EXPECT_EQ(marked(), ql({"plumbr", "tomorow", "milkk"}));
    // Typing a correction takes the mark away once it is judged.
    QTextCursor fix(editor->document());
    fix.setPosition(editor->document()->toPlainText().indexOf(QStringLiteral("plumbr")) + 5);
    fix.insertText(QStringLiteral("e"));
    EXPECT_EQ(marked(), ql({"tomorow", "milkk"}));
}

TEST_F(NotesSpellingTest, TheMenuOfAMisspeltWordSuggestsLearnsAndIgnores) {
    editor->setPlainText(QStringLiteral("call tomorow about zork"));
    ASSERT_EQ(marked(), ql({"tomorow", "zork"}));
    std::unique_ptr<QMenu> menu(editor->spellingMenuAt(7, nullptr));
    ASSERT_TRUE(menu);
    QStringList items;
    for (QAction* action : menu->actions())
        if (!action->isSeparator()) items << action->text();
    ASSERT_GE(items.size(), 3);
    EXPECT_EQ(items.first(), QStringLiteral("tomorrow"));
    EXPECT_EQ(items.mid(items.size() - 2), ql({"Ignore Spelling", "Learn Spelling"}));
    EXPECT_EQ(editor->spellingMenuAt(1, nullptr), nullptr);

    menu->actions().first()->trigger();
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("call tomorrow about zork"));
    EXPECT_EQ(marked(), ql({"zork"}));

    std::unique_ptr<QMenu> zork(editor->spellingMenuAt(22, nullptr));
    ASSERT_TRUE(zork);
    zork->actions().last()->trigger();  // Learn Spelling
    EXPECT_EQ(marked(), QStringList());
    EXPECT_EQ(dictionary->personalWords(), ql({"zork"}));
}

TEST_F(NotesSpellingTest, TheSettingIsReadAtCreationAndFollowedByEveryEditor) {
    editor->setPlainText(QStringLiteral("tomorow"));
    EXPECT_EQ(marked(), ql({"tomorow"}));

    QMenu edit;
    QMenu* spelling = TDAddSpellingMenu(edit);
    Q_EMIT spelling->aboutToShow();
    QAction* whileTyping = spelling->actions().at(0);
    EXPECT_TRUE(whileTyping->isChecked());
    whileTyping->trigger();
    EXPECT_FALSE(defaults().boolean(QStringLiteral("checkSpellingContinuously")));
    EXPECT_FALSE(editor->isContinuousSpellCheckingEnabled());
    EXPECT_EQ(marked(), QStringList());

    TDNotesTextView later;
    later.setSpellingService(service.get());
    EXPECT_FALSE(later.isContinuousSpellCheckingEnabled());
    QAction* grammar = spelling->actions().at(1);
    grammar->trigger();
    EXPECT_TRUE(defaults().boolean(QStringLiteral("checkGrammar")));
    EXPECT_FALSE(spelling->actions().at(2)->isEnabled());
}

TEST_F(NotesSpellingTest, Screenshot) {
    editor->resize(360, 90);
    editor->setPlainText(QStringLiteral("Call the plumber tomorow about the leak."));
    ASSERT_EQ(marked(), ql({"tomorow"}));
    std::unique_ptr<QMenu> menu(editor->spellingMenuAt(19, nullptr));
    ASSERT_TRUE(menu);
    menu->adjustSize();
    const QPixmap note = editor->grab();
    const QPixmap list = menu->grab();
    QPixmap shot(std::max(note.width(), 120 + list.width()), note.height() + list.height());
    shot.fill(Qt::white);
    QPainter painter(&shot);
    painter.drawPixmap(0, 0, note);
    painter.drawPixmap(120, 30, list);
    painter.end();
    const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    EXPECT_TRUE(shot.save(QDir(folder).filePath(QStringLiteral("notes_spelling_menu.png"))));
}

}  // namespace
