// The notes editor: files pasted in as attachments that follow the file, links, the clipboard between
// editors, and editing a note in the outline without disturbing the library's undo.
#include "taskviews/gui/notes_editor.h"
#include "foundation/attributed_string_additions.h"
#include "foundation/file_attachment.h"
#include "model/task_notes.h"
#include "platform/undo/undo_manager.h"
#include "taskviews/file_attachment_actions.h"
#include "taskviews/gui/attachment_preview_window.h"
#include "taskviews/gui/file_attachment_object.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/task_tree_model.h"
#include "tests/support/core/scripted_alert_prompter.h"
#include "tests/taskviews/gui/outline_fixture.h"
#include "tests/taskviews/recording_workspace.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTextBlock>

#include <gtest/gtest.h>

namespace {

using taskviewstest::RecordingWorkspace;
using taskviewstest::TasksControllerTest;

// The aliases of the attachments in the text, in order.
QList<BDAlias> attachedFiles(const QTextDocument& text) {
    QList<BDAlias> aliases;
    for (QTextBlock block = text.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (const auto alias = fileAttachmentAlias(it.fragment().charFormat()))
                for (int i = 0; i < it.fragment().length(); ++i) aliases << *alias;
    return aliases;
}

QStringList menuItems(QMenu& menu) {
    QStringList items;
    for (QAction* action : menu.actions()) {
        if (action->isSeparator()) continue;
        items << action->text() + (action->isEnabled() ? QString() : QStringLiteral(" (disabled)"));
        if (QMenu* submenu = action->menu())
            for (QAction* sub : submenu->actions())
                if (!sub->isSeparator()) items << QStringLiteral("  ") + sub->text();
    }
    return items;
}

class NotesEditorTest : public TasksControllerTest {
protected:
    void SetUp() override {
        TasksControllerTest::SetUp();
        editor = std::make_unique<TDNotesTextView>();
        editor->setWorkspace(&workspace);
        editor->setAlertPrompter(&prompter);
        editor->resize(400, 200);
        editor->show();
        workspace.applications = {
            {QStringLiteral("viewer.desktop"),
             QStringLiteral("Viewer"),
             {},
             QStringLiteral("/apps/viewer.desktop")},
            {QStringLiteral("editor.desktop"),
             QStringLiteral("Editor"),
             {},
             QStringLiteral("/apps/editor.desktop")},
        };
        documents = QDir(tempPath()).filePath(QStringLiteral("Documents"));
        QDir().mkpath(documents);
    }

    void TearDown() override {
        editor.reset();
        TasksControllerTest::TearDown();
    }

    QString makeFile(const QString& name, const QByteArray& contents = "budget") {
        const QString path = QDir(documents).filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
        return path;
    }

    void paste(QMimeData* data) {
        QApplication::clipboard()->setMimeData(data);
        editor->paste();
    }

    void pasteFiles(const QStringList& paths) {
        auto* data = new QMimeData;
        QList<QUrl> urls;
        for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
        data->setUrls(urls);
        paste(data);
    }

    // Saves the library, closes it and opens it again; the task of the uid, found again.
    TDTask* saveAndReopen(const QString& taskUID) {
        EXPECT_TRUE(manager->saveLibraryWithoutSyncing());
        controller.reset();
        EXPECT_TRUE(manager->close().ok());
        auto loaded = manager->loadLibrary();
        EXPECT_TRUE(loaded.ok());
        controller = std::make_unique<TDTasksController>(*manager);
        return library()->taskWithUID(taskUID);
    }

    // Where the first character, an attachment, is drawn.
    QPoint firstCharacterPoint() const {
        QTextCursor start(editor->document());
        const QRect caret = editor->cursorRect(start);
        return QPoint(caret.left() + 12, caret.top() + 12);
    }

    RecordingWorkspace workspace;
    testsupport::ScriptedAlertPrompter prompter;
    std::unique_ptr<TDNotesTextView> editor;
    QString documents;
};

TEST_F(NotesEditorTest, PastedFileIsAnAttachmentThatSurvivesReopeningAndOpensTheFile) {
    const QString budget = makeFile(QStringLiteral("budget.ods"));
    TDTask* task = addTask(library()->inboxGroup(), QStringLiteral("Plan the year"));
    editor->insertPlainText(QStringLiteral("See "));
    pasteFiles({budget});
    task->setAttributedNotes(editor->attributedString().get());
    processChanges();

    TDTask* reopened = saveAndReopen(task->uid());
    ASSERT_NE(reopened, nullptr);
    ASSERT_TRUE(reopened->attributedNotes());
    const QList<BDAlias> files = attachedFiles(*reopened->attributedNotes());
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(files[0].fullPath(), budget);
    // Never a copy: the one file in the folder is the user's own.
    EXPECT_EQ(QDir(documents).entryList(QDir::Files), QStringList{QStringLiteral("budget.ods")});

    editor->setAttributedString(reopened->attributedNotes().get());
    editor->selectAll();
    EXPECT_EQ(editor->pathsFromAttachmentsInSelection(), QStringList{budget});
    // A double click on the attachment opens the file.
    QTextCursor atFile(editor->document());
    atFile.setPosition(4);
    const QRect caret = editor->cursorRect(atFile);
    const QPoint onFile(caret.left() + 16, caret.top() + 16);
    ASSERT_TRUE(editor->attachmentAt(onFile)) << "no attachment drawn at the file's place";
    QTest::mouseDClick(editor->viewport(), Qt::LeftButton, {}, onFile);
    EXPECT_EQ(workspace.opened, QList<QUrl>{QUrl::fromLocalFile(budget)});
}

TEST_F(NotesEditorTest, AMovedFileIsFollowedAndADeletedOneKeepsItsNameWithItsItemsDisabled) {
    const QString report = makeFile(QStringLiteral("report.txt"));
    pasteFiles({report});
    const QList<BDAlias> attached = attachedFiles(*editor->document());
    ASSERT_EQ(attached.size(), 1);
    const BDAlias alias = attached.first();

    const QString renamed = QDir(documents).filePath(QStringLiteral("report-final.txt"));
    ASSERT_TRUE(QFile::rename(report, renamed));
    TDFileAttachmentActions moved(alias, &workspace, &prompter);
    EXPECT_EQ(moved.path(), renamed);
    EXPECT_EQ(moved.title(), QStringLiteral("report-final.txt"));
    moved.open();
    moved.showInFileManager();
    EXPECT_EQ(workspace.opened, QList<QUrl>{QUrl::fromLocalFile(renamed)});
    EXPECT_EQ(workspace.shown, QStringList{renamed});
    std::unique_ptr<QMenu> menu(TDFileAttachmentObject::menuForAttachment(
        std::make_unique<TDFileAttachmentActions>(alias, &workspace, &prompter), nullptr));
    EXPECT_EQ(menuItems(*menu),
              (QStringList{QStringLiteral("Open"), QStringLiteral("Open With"), QStringLiteral("  Viewer"),
                           QStringLiteral("  Editor"), QStringLiteral("  Other…"), QStringLiteral("Preview"),
                           QStringLiteral("Show in File Manager")}));

    ASSERT_TRUE(QFile::remove(renamed));
    TDFileAttachmentActions deleted(alias, &workspace, &prompter);
    EXPECT_FALSE(deleted.isAvailable());
    EXPECT_EQ(deleted.title(), QStringLiteral("report.txt")) << "the last name the alias recorded";
    std::unique_ptr<QMenu> missingMenu(TDFileAttachmentObject::menuForAttachment(
        std::make_unique<TDFileAttachmentActions>(alias, &workspace, &prompter), nullptr));
    EXPECT_EQ(menuItems(*missingMenu),
              (QStringList{QStringLiteral("Open (disabled)"), QStringLiteral("Preview"),
                           QStringLiteral("Show in File Manager (disabled)")}));
    deleted.open();
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].messageText, QStringLiteral("Cannot open file"));
    EXPECT_EQ(workspace.opened.size(), 1) << "nothing more was opened";
    // A double click on it says the same.
    QTest::mouseDClick(editor->viewport(), Qt::LeftButton, {}, firstCharacterPoint());
    EXPECT_EQ(prompter.shown.size(), 2);
}

TEST_F(NotesEditorTest, SpaceOnASelectedAttachmentPreviewsTheFileWhereItIsNow) {
    const QString plan = makeFile(QStringLiteral("plan.txt"));
    editor->insertPlainText(QStringLiteral("See "));
    pasteFiles({plan});
    const QString moved = QDir(documents).filePath(QStringLiteral("plan (final).txt"));
    ASSERT_TRUE(QFile::rename(plan, moved));
    const QString before = editor->document()->toPlainText();

    // With only the caret, Space types.
    QTextCursor caret(editor->document());
    caret.setPosition(4);
    editor->setTextCursor(caret);
    QTest::keyClick(editor.get(), Qt::Key_Space);
    EXPECT_EQ(editor->document()->toPlainText(), QStringLiteral("See  \uFFFC"));
    editor->document()->undo();
    QTextCursor selected(editor->document());
    selected.setPosition(4);
    selected.setPosition(5, QTextCursor::KeepAnchor);
    editor->setTextCursor(selected);
    QTest::keyClick(editor.get(), Qt::Key_Space);

    EXPECT_EQ(editor->document()->toPlainText(), before);
    TDAttachmentPreviewWindow* preview = TDAttachmentPreviewWindow::shared();
    EXPECT_TRUE(preview->isVisible());
    EXPECT_EQ(preview->preview().path, moved);
    EXPECT_EQ(preview->preview().kind, TDAttachmentPreviewKind::Text);
    EXPECT_TRUE(workspace.opened.isEmpty());
    preview->close();
}

TEST_F(NotesEditorTest, OpenWithUsesTheApplicationChosen) {
    const QString photo = makeFile(QStringLiteral("photo.png"));
    TDFileAttachmentActions actions(*BDAlias::fromPath(photo), &workspace, &prompter);
    EXPECT_TRUE(actions.openWith(workspace.applications[1]));
    // "Other…" takes the desktop entry picked, not an application found by its name.
    EXPECT_TRUE(actions.openWithApplicationAtPath(QStringLiteral("/apps/viewer.desktop")));
    EXPECT_FALSE(actions.openWithApplicationAtPath(QStringLiteral("/apps/unknown.desktop")));
    EXPECT_EQ(workspace.openedWith, (QStringList{photo + QStringLiteral(" with editor.desktop"),
                                                 photo + QStringLiteral(" with viewer.desktop")}));
}

TEST_F(NotesEditorTest, FilesDroppedTogetherStandSideBySideInTheirOrder) {
    const QStringList files{makeFile(QStringLiteral("a.txt")), makeFile(QStringLiteral("b.txt")),
                            makeFile(QStringLiteral("c.txt"))};
    pasteFiles(files);
    EXPECT_EQ(editor->toPlainText(), QString(3, QChar::ObjectReplacementCharacter));
    editor->selectAll();
    EXPECT_EQ(editor->pathsFromAttachmentsInSelection(), files);
}

TEST_F(NotesEditorTest, CopiedAttachmentsPasteIntoAnotherNoteAsLinksToTheSameFile) {
    const QString plan = makeFile(QStringLiteral("plan.pdf"));
    editor->insertPlainText(QStringLiteral("Read "));
    pasteFiles({plan});
    editor->selectAll();
    editor->copy();
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    EXPECT_EQ(copied->urls(), QList<QUrl>{QUrl::fromLocalFile(plan)});

    TDNotesTextView other;
    other.paste();
    EXPECT_EQ(other.toPlainText(), QStringLiteral("Read ") + QChar(QChar::ObjectReplacementCharacter));
    other.selectAll();
    EXPECT_EQ(other.pathsFromAttachmentsInSelection(), QStringList{plan});
    EXPECT_EQ(QDir(documents).entryList(QDir::Files), QStringList{QStringLiteral("plan.pdf")});
}

TEST_F(NotesEditorTest, PastedTextGetsItsLinksAndTaskLinksAreRefused) {
    auto* text = new QMimeData;
    text->setText(QStringLiteral("Mail message:%3cid@host%3e and https://example.com/x"));
    paste(text);
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("Mail message:<id@host> and https://example.com/x"));
    QStringList links;
    for (const TDLinkRange& link : linkRanges(*editor->document())) links << link.url.toString();
    EXPECT_EQ(links, (QStringList{QStringLiteral("message:%3Cid@host%3E"),
                                  QStringLiteral("https://example.com/x")}));

    QMimeData taskLink;
    taskLink.setUrls({QUrl(QStringLiteral("ordello:///0123456789ABCDEF"))});
    QMimeData rich;
    rich.setHtml(QStringLiteral("<b>bold</b>"));
    QMimeData webLink;
    webLink.setHtml(QStringLiteral("See <a href=\"https://example.com\">the shop</a>"));
    // Rich text holding a link to a task, as a mail or a copy of tasks brings it.
    QMimeData htmlTaskLink;
    htmlTaskLink.setHtml(QStringLiteral("Before <a href=\"ordello:///0123456789ABCDEF\">Buy milk</a>"));
    QMimeData rtfTaskLink;
    rtfTaskLink.setText(QStringLiteral("Buy milk"));
    rtfTaskLink.setData(QStringLiteral("text/rtf"),
                        "{\\rtf1 {\\field{\\*\\fldinst{HYPERLINK \"ordello:///0123456789ABCDEF\"}}"
                        "{\\fldrslt Buy milk}}}");
    QMimeData rtfWebLink;
    rtfWebLink.setText(QStringLiteral("the shop"));
    rtfWebLink.setData(QStringLiteral("text/rtf"),
                       "{\\rtf1 {\\field{\\*\\fldinst{HYPERLINK \"https://example.com\"}}"
                       "{\\fldrslt the shop}}}");
    struct Case {
        const QMimeData* data;
        bool accepted;
    } cases[] = {{&taskLink, false},     {&rich, true},         {text, true},       {&webLink, true},
                 {&htmlTaskLink, false}, {&rtfTaskLink, false}, {&rtfWebLink, true}};
    for (const Case& c : cases) {
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::LinkAction, c.data, Qt::LeftButton, {});
        QApplication::sendEvent(editor->viewport(), &enter);
        EXPECT_EQ(enter.isAccepted(), c.accepted) << c.data->formats().join(u' ').toStdString();
        QDragMoveEvent move(QPoint(6, 6), Qt::CopyAction | Qt::LinkAction, c.data, Qt::LeftButton, {});
        QApplication::sendEvent(editor->viewport(), &move);
        EXPECT_EQ(move.isAccepted(), c.accepted) << c.data->formats().join(u' ').toStdString();
        QDragLeaveEvent leave;
        QApplication::sendEvent(editor->viewport(), &leave);
    }
}

TEST_F(NotesEditorTest, ALinkIsOpenedByAClick) {
    editor->setAttributedString(linkifiedString(QTextDocument(QStringLiteral("https://example.com"))).get());
    QTextCursor inside(editor->document());
    inside.setPosition(4);
    const QPoint onLink = editor->cursorRect(inside).center();
    QTest::mouseClick(editor->viewport(), Qt::LeftButton, {}, onLink);
    EXPECT_EQ(workspace.opened, QList<QUrl>{QUrl(QStringLiteral("https://example.com"))});
}

TEST_F(NotesEditorTest, NotesWithLinksRoundTripThroughTheLibraryAsHTML) {
    TDTask* task = addTask(library()->inboxGroup(), QStringLiteral("Links"));
    QTextDocument typed;
    QTextCursor cursor(&typed);
    cursor.insertText(QStringLiteral("Docs at https://example.com/docs, "));
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("urgent"), bold);
    editor->setAttributedString(linkifiedString(typed).get());
    task->setAttributedNotes(editor->attributedString().get());
    processChanges();
    EXPECT_FALSE(task->notesWebArchiveData().isEmpty()) << "bold text is rich and stored as HTML";

    TDTask* reopened = saveAndReopen(task->uid());
    ASSERT_NE(reopened, nullptr);
    const std::shared_ptr<const QTextDocument> notes = reopened->attributedNotes();
    ASSERT_TRUE(notes);
    EXPECT_EQ(notes->toPlainText(), typed.toPlainText());
    const QList<TDLinkRange> links = linkRanges(*notes);
    ASSERT_EQ(links.size(), 1);
    EXPECT_EQ(links[0].url, QUrl(QStringLiteral("https://example.com/docs")));
    EXPECT_TRUE(isRichText(*notes));
    const QString html = HTMLString(*notes);
    EXPECT_TRUE(html.contains(QStringLiteral("href=\"https://example.com/docs\""))) << html.toStdString();
    for (const char* element : {"<html", "<head", "<body", "<!DOCTYPE"})
        EXPECT_FALSE(html.contains(QLatin1String(element))) << element;
    EXPECT_EQ(HTMLString(QTextDocument()), QString());
}

class OutlineNoteEditingTest : public taskviewstest::OutlineTest<NotesEditorTest> {
protected:
    void SetUp() override {
        OutlineTest::SetUp();
        errands = newList(QStringLiteral("Errands"));
        first = addTask(errands, QStringLiteral("Call the plumber"));
        first->setNotesString(QStringLiteral("About the tap"));
        second = addTask(errands, QStringLiteral("Buy stamps"));
        processChanges();
        openOutline();
        controller->setGroup(errands);
        view->resize(600, 300);
        view->show();
        settleOutline();
    }

    QModelIndex rowOf(TDTask* task) { return model->indexForItem(TDTaskRowItem::task(task)); }

    void endEditing(Qt::FocusReason reason) {
        QFocusEvent out(QEvent::FocusOut, reason);
        QApplication::sendEvent(view->notesEditor(), &out);
        processChanges();
    }

    // Undoes every step, newest first, and names them.
    QStringList undoSteps() {
        platform::UndoManager* undo = manager->undoManager();
        QStringList steps;
        while (undo->canUndo()) {
            steps << undo->undoActionName();
            undo->undo();
        }
        return steps;
    }

    TDList* errands = nullptr;
    TDTask* first = nullptr;
    TDTask* second = nullptr;
};

TEST_F(OutlineNoteEditingTest, AChangedNoteIsOneUndoStepAndTheLibrarysHistoryStays) {
    platform::UndoManager* undo = manager->undoManager();
    undo->removeAllActions();
    select({second});
    controller->assignPriority(3);
    processChanges();
    QCoreApplication::processEvents();  // the event's undo group closes
    ASSERT_EQ(undo->undoActionName(), QStringLiteral("Change Priority"));

    view->editNoteInRow(rowOf(first));
    ASSERT_TRUE(view->isEditingNote());
    TDNotesTextView* notes = view->notesEditor();
    EXPECT_EQ(notes->toPlainText(), QStringLiteral("About the tap"));
    notes->moveCursor(QTextCursor::End);
    notes->insertPlainText(QStringLiteral(" and the boiler"));
    // The editor's own typing undo leaves the library alone.
    notes->undo();
    EXPECT_EQ(notes->toPlainText(), QStringLiteral("About the tap"));
    notes->redo();
    EXPECT_EQ(undo->undoActionName(), QStringLiteral("Change Priority"));

    endEditing(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    EXPECT_FALSE(view->isEditingNote());
    EXPECT_EQ(first->notesString(), QStringLiteral("About the tap and the boiler"));
    EXPECT_FALSE(notes->document()->isUndoAvailable()) << "typing undo is forgotten when editing ends";
    EXPECT_EQ(undoSteps(), (QStringList{QStringLiteral("Edit Note"), QStringLiteral("Change Priority")}));
    EXPECT_EQ(first->notesString(), QStringLiteral("About the tap"));
    EXPECT_EQ(second->priority(), 0);
}

TEST_F(OutlineNoteEditingTest, EscEndsEditingAndTheOutlineTakesTheKeyboard) {
    QApplication::setActiveWindow(view.get());
    view->editNoteInRow(rowOf(second));
    ASSERT_TRUE(view->notesEditor()->hasFocus());
    QTest::keyClicks(view->notesEditor(), QStringLiteral("By Friday"));
    QTest::keyClick(view->notesEditor(), Qt::Key_Escape);
    processChanges();
    EXPECT_FALSE(view->isEditingNote());
    EXPECT_TRUE(view->hasFocus());
    EXPECT_EQ(second->notesString(), QStringLiteral("By Friday"));
}

TEST_F(OutlineNoteEditingTest, AnUnchangedNoteRecordsNothingAndAClickAwayKeepsItOpen) {
    manager->undoManager()->removeAllActions();
    view->editNoteInRow(rowOf(first));
    endEditing(Qt::MouseFocusReason);
    QCoreApplication::processEvents();
    EXPECT_FALSE(manager->undoManager()->canUndo());
    EXPECT_TRUE(view->isTaskNoteExpanded(first));

    view->editNoteInRow(rowOf(second));
    view->notesEditor()->insertPlainText(QStringLiteral("Second class"));
    endEditing(Qt::TabFocusReason);
    EXPECT_EQ(second->notesString(), QStringLiteral("Second class"));
    EXPECT_EQ(manager->undoManager()->undoActionName(), QStringLiteral("Edit Note"));
    EXPECT_FALSE(view->isTaskNoteExpanded(second));
}

}  // namespace
