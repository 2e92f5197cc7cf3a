// Open notes in a task row, not being edited: attached files stand as their icon and name and links
// show in the link colour, and the row is as tall as they make the notes.
#include "foundation/attributed_string_additions.h"
#include "foundation/file_attachment.h"
#include "taskviews/gui/task_cell.h"
#include "taskviews/task_tree_model.h"
#include "tests/taskviews/sections_fixture.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QStandardItemModel>

#include <gtest/gtest.h>

namespace {

class NoteRowDrawingTest : public sectionstest::SectionsTest {
protected:
    // The task's row: the task column only, with the role the tree model answers.
    QModelIndex rowOf(TDTask* shown) {
        auto* item = new QStandardItem(shown->title());
        item->setData(QVariant::fromValue(shown), TDTaskTreeModel::TaskRole);
        model.appendRow(item);
        return item->index();
    }

    QStyleOptionViewItem option(int height) const {
        QStyleOptionViewItem option;
        option.rect = QRect(0, 0, 420, height);
        option.state = QStyle::State_Enabled | QStyle::State_Active;
        return option;
    }

    // Notes made of the parts: "file" an attached file, "link" a web address, anything else text.
    void giveNotes(TDTask* shown, const QStringList& parts) {
        QTextDocument notes;
        QTextCursor cursor(&notes);
        for (const QString& part : parts) {
            if (part == QLatin1String("file")) {
                const QString path = QDir(tempPath()).filePath(QStringLiteral("Quote.pdf"));
                QFile file(path);
                ASSERT_TRUE(file.open(QIODevice::WriteOnly));
                file.write("%PDF-1.4");
                file.close();
                insertFileAttachment(cursor, *BDAlias::fromPath(path));
            } else if (part == QLatin1String("link")) {
                cursor.insertText(QStringLiteral("https://example.com/plumbers"));
            } else {
                cursor.insertText(part);
            }
        }
        shown->setAttributedNotes(linkifiedString(notes).get());
        settle();
    }

    QStandardItemModel model;
    TDTaskCell cell;
};

TEST_F(NoteRowDrawingTest, OpenNotesDrawAttachmentsAndLinksAndGrowTheRow) {
    struct Case {
        const char* name;
        QStringList parts;
        qreal leastNoteHeight;  // an attachment is its 32-point icon with its name below
        bool linkColored;
    } cases[] = {
        {"plain words", {QStringLiteral("Ask about the boiler")}, 15, false},
        {"a link", {QStringLiteral("Book at "), QStringLiteral("link")}, 15, true},
        {"a file", {QStringLiteral("The quote: "), QStringLiteral("file")}, 44, false},
        {"a file and a link",
         {QStringLiteral("file"), QStringLiteral("\nBook at "), QStringLiteral("link")},
         58,
         true},
    };
    cell.setExpandAllNotes(true);
    const QColor link = QGuiApplication::palette().color(QPalette::Link);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TDTask* shown = task(QStringLiteral("Call the plumber"), library->inboxGroup());
        giveNotes(shown, c.parts);
        const QModelIndex index = rowOf(shown);
        const int height = cell.sizeHint(option(26), index).height();
        const TDTaskRowLayout layout = cell.rowLayout(option(height), index);
        EXPECT_GE(layout.noteFrame.height(), c.leastNoteHeight);
        EXPECT_LE(layout.noteFrame.bottom(), height) << "the notes fit in the row";

        QImage picture(420, height, QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::white);
        QPainter painter(&picture);
        cell.paint(&painter, option(height), index);
        painter.end();
        int linkPixels = 0;
        for (int y = int(layout.noteFrame.top()); y < int(layout.noteFrame.bottom()); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if (picture.pixelColor(x, y) == link) ++linkPixels;
        EXPECT_EQ(linkPixels > 0, c.linkColored) << linkPixels;
    }
}

}  // namespace
