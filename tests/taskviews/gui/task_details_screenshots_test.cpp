// Pictures of the notes editor in a row, the inspector and the recurrence editor, for a person to look at.
#include "controls/gui/balloon_panel.h"
#include "controls/gui/date_completion_view_controller.h"
#include "foundation/attributed_string_additions.h"
#include "foundation/file_attachment.h"
#include "language/natural_language_value_transformers.h"
#include "taskviews/gui/notes_editor.h"
#include "taskviews/gui/recurrence_edit_view.h"
#include "taskviews/gui/task_info_view.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/recurrence_edit_controller.h"
#include "taskviews/task_info_controller.h"
#include "taskviews/task_tree_model.h"
#include "tests/taskviews/gui/outline_fixture.h"
#include "tests/taskviews/recurrence_fixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The inspector in a window of its own, active, so that its fields open their balloons.
struct ActiveInspector {
    explicit ActiveInspector(TDTasksController& controller) : inspector(controller), view(inspector) {
        view.resize(260, 230);
        view.move(40, 40);
        view.show();
        QApplication::setActiveWindow(&view);
    }

    TDTaskInfoViewController inspector;
    TDTaskInfoView view;
};

class NotesInspectorRecurrenceScreenshotsTest
    : public taskviewstest::OutlineTest<taskviewstest::RecurrenceTest> {
protected:
    void SetUp() override {
        OutlineTest::SetUp();
        registerNaturalLanguageValueTransformers();
        list = newList(QStringLiteral("Home"));
        boiler = addTask(list, QStringLiteral("Call the plumber about the boiler @phone"));
        boiler->setContextTag(tag(QStringLiteral("@phone")));
        boiler->setStartDate(QDateTime(QDate(2026, 12, 9), QTime(0, 0)));
        boiler->setDueDate(QDateTime(QDate(2026, 12, 11), QTime(0, 0)));
        boiler->setEstimatedTime(45 * 60);
        boiler->setActualTime(30 * 60);
        addTask(list, QStringLiteral("Buy stamps"));
        giveRule(addTask(list, QStringLiteral("Water the plants")), QStringLiteral("every 3 days"));
        settle();
        openOutline();
        controller->setGroup(list);
        view->resize(640, 320);
        view->show();
        settleOutline();
    }

    static void save(QWidget& widget, const QString& name) {
        QCoreApplication::processEvents();
        QImage picture(widget.size(), QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::white);
        widget.render(&picture);
        const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
        QDir().mkpath(folder);
        EXPECT_TRUE(picture.save(QDir(folder).filePath(name + QStringLiteral(".png"))));
    }

    // The window with the balloons open over it, as a person sees them.
    static void saveWithBalloons(QWidget& window, const QString& name) {
        QCoreApplication::processEvents();
        QList<QWidget*> balloons;
        QRect area(window.mapToGlobal(QPoint(0, 0)), window.size());
        for (TDBalloonPanel* balloon : window.findChildren<TDBalloonPanel*>())
            if (balloon->isVisible()) {
                balloons << balloon;
                area |= balloon->geometry();
            }
        area.adjust(-8, -8, 8, 8);
        QImage picture(area.size(), QImage::Format_ARGB32_Premultiplied);
        picture.fill(QColor(236, 236, 236));
        QPainter painter(&picture);
        window.render(&painter, window.mapToGlobal(QPoint(0, 0)) - area.topLeft());
        for (QWidget* balloon : std::as_const(balloons))
            balloon->render(&painter, balloon->pos() - area.topLeft(), QRegion(), QWidget::DrawChildren);
        painter.end();
        const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
        QDir().mkpath(folder);
        EXPECT_TRUE(picture.save(QDir(folder).filePath(name + QStringLiteral(".png"))));
    }

    void giveNotesWithAnAttachmentAndALink() {
        const QString quote = QDir(tempPath()).filePath(QStringLiteral("Boiler quote.pdf"));
        QFile file(quote);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("%PDF-1.4");
        file.close();
        QTextDocument notes;
        QTextCursor cursor(&notes);
        cursor.insertText(QStringLiteral("The quote they sent: "));
        insertFileAttachment(cursor, *BDAlias::fromPath(quote));
        cursor.insertText(QStringLiteral("\nBook at https://example.com/plumbers before Friday."));
        boiler->setAttributedNotes(linkifiedString(notes).get());
        settle();
    }

    TDList* list = nullptr;
    TDTask* boiler = nullptr;
};

TEST_F(NotesInspectorRecurrenceScreenshotsTest, NoteWithAnAttachmentAndALink) {
    ASSERT_NO_FATAL_FAILURE(giveNotesWithAnAttachmentAndALink());
    view->editNoteInRow(model->indexForItem(TDTaskRowItem::task(boiler)));
    ASSERT_TRUE(view->notesEditor() && view->notesEditor()->isVisible());
    save(*view, QStringLiteral("notes_editor_attachment_and_link"));
}

TEST_F(NotesInspectorRecurrenceScreenshotsTest, InspectorWithOneTask) {
    TDTaskInfoViewController inspector(*controller);
    TDTaskInfoView infoView(inspector);
    infoView.resize(260, 230);
    infoView.show();
    select({boiler});
    EXPECT_FALSE(infoView.field(TDTaskInfoViewController::Field::DueDate)->text().isEmpty());
    infoView.setFocus();
    save(infoView, QStringLiteral("inspector_one_task"));
}

TEST_F(NotesInspectorRecurrenceScreenshotsTest, NoteWithAnAttachmentAndALinkNotEdited) {
    ASSERT_NO_FATAL_FAILURE(giveNotesWithAnAttachmentAndALink());
    view->setTaskNoteExpanded(boiler);
    QCoreApplication::processEvents();
    EXPECT_FALSE(view->notesEditor() && view->notesEditor()->isVisible());
    save(*view, QStringLiteral("note_row_attachment_and_link"));
}

TEST_F(NotesInspectorRecurrenceScreenshotsTest, InspectorWithOneTaskAndTheEstimateSlider) {
    ActiveInspector inspector(*controller);
    TDTaskInfoView& infoView = inspector.view;
    select({boiler});
    TDInspectorTextField* estimate = infoView.field(TDTaskInfoViewController::Field::Estimate);
    estimate->setFocus();
    estimate->selectAll();
    QTest::keyClicks(estimate, QStringLiteral("2h"));
    estimate->firePopUpTimer();
    ASSERT_TRUE(estimate->estimatePanel() && estimate->estimatePanel()->isVisible());
    saveWithBalloons(infoView, QStringLiteral("inspector_estimate_slider"));
}

TEST_F(NotesInspectorRecurrenceScreenshotsTest, RecurrenceBalloonFromTheDateBalloon) {
    ActiveInspector inspector(*controller);
    TDTaskInfoView& infoView = inspector.view;
    select({boiler});
    TDInspectorTextField* start = infoView.field(TDTaskInfoViewController::Field::StartDate);
    start->setFocus();
    start->firePopUpTimer();
    ASSERT_TRUE(start->datePanel());
    saveWithBalloons(infoView, QStringLiteral("inspector_date_balloon"));
    auto* calendar = qobject_cast<TDDateCompletionViewController*>(start->datePanel()->viewController());
    ASSERT_TRUE(calendar);
    QTest::mouseClick(calendar->recurrenceToggleButton(), Qt::LeftButton);
    auto* editor = qobject_cast<TDRecurrenceEditView*>(start->datePanel()->viewController());
    ASSERT_TRUE(editor);
    QTest::keyClicks(editor->ruleField(), QStringLiteral("every 2 weeks on monday"));
    editor->controller().setHasDueDate(true);
    saveWithBalloons(infoView, QStringLiteral("recurrence_balloon_from_date_balloon"));
}

TEST_F(NotesInspectorRecurrenceScreenshotsTest, RecurrenceEditorOpen) {
    select({boiler});
    controller->editRecurrence();
    TDRecurrenceEditView* editor = view->recurrenceEditView();
    ASSERT_TRUE(editor && editor->isVisible());
    editor->ruleField()->setText(QStringLiteral("every 2 weeks on monday"));
    Q_EMIT editor->ruleField()->textEdited(editor->ruleField()->text());
    editor->controller().setEndMode(TDRecurrenceEditViewController::EndAfterOccurrences);
    editor->controller().setOccurrenceCount(6);
    editor->controller().setHasDueDate(true);
    saveWithBalloons(*view, QStringLiteral("recurrence_editor_open"));
}

}  // namespace
