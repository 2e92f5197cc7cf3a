// Printing a task list to PDF: the pages, their text in order, and a picture of the first page.
#include "taskviews/gui/tasks_print.h"
#include "language/natural_language_value_transformers.h"
#include "model/folder.h"
#include "taskviews/gui/tasks_print_dialog.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/gui/tasks_view_controller.h"
#include "taskviews/print_options.h"
#include "taskviews/task_tree_model.h"
#include "tests/taskviews/tasks_controller_fixture.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

using taskviewstest::TasksControllerTest;

const char* const kErrands[] = {
    "buy stamps",
    "call the plumber about the boiler",
    "water the plants",
    "return the library books",
    "book the car in for its service",
    "sort out the photos from the summer holiday and send the best ones to Grandma",
    "pay the electricity bill",
    "order the birthday cake"};

// The text of a PDF, or of one of its pages.
QString pdfText(const QString& pdf, int page = 0) {
    QProcess process;
    QStringList arguments{QStringLiteral("-layout")};
    if (page > 0)
        arguments << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l")
                  << QString::number(page);
    process.start(QStringLiteral("pdftotext"), arguments << pdf << QStringLiteral("-"));
    if (!process.waitForFinished(60000) || process.exitCode() != 0) return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The first page as a picture in the screenshots folder, for a person to look at.
bool savePagePicture(const QString& pdf, const QString& name) {
    const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    const QString base = QDir(folder).filePath(name);
    QProcess process;
    process.start(
        QStringLiteral("pdftoppm"),
        {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("110"), QStringLiteral("-singlefile"),
         QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"), pdf, base});
    return process.waitForFinished(60000) && process.exitCode() == 0 &&
           QFileInfo(base + QStringLiteral(".png")).size() > 0;
}

// How many pixel rows of the first page, rasterised in grey at 72 dots per inch, are mostly black.
int mostlyBlackRows(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftoppm"),
                  {QStringLiteral("-gray"), QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-f"),
                   QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"), pdf});
    if (!process.waitForFinished(60000) || process.exitCode() != 0) return -1;
    const QByteArray image = process.readAllStandardOutput();
    // "P5\n<width> <height>\n255\n", then a byte a pixel.
    const QList<QByteArray> header = image.left(64).split('\n');
    if (header.size() < 4) return -1;
    const QList<QByteArray> size = header.at(1).split(' ');
    const int width = size.value(0).toInt();
    const int height = size.value(1).toInt();
    const qsizetype start = header.at(0).size() + header.at(1).size() + header.at(2).size() + 3;
    if (width <= 0 || image.size() < start + qsizetype(width) * height) return -1;
    int rows = 0;
    for (int y = 0; y < height; ++y) {
        int black = 0;
        for (int x = 0; x < width; ++x)
            if (static_cast<unsigned char>(image.at(start + qsizetype(y) * width + x)) < 0x40) ++black;
        if (black > width / 2) ++rows;
    }
    return rows;
}

int pdfPageCount(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdfinfo"), {pdf});
    if (!process.waitForFinished(60000)) return -1;
    const QRegularExpressionMatch pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                                              .match(QString::fromUtf8(process.readAllStandardOutput()));
    return pages.hasMatch() ? pages.captured(1).toInt() : -1;
}

class TasksPrintTest : public TasksControllerTest {
protected:
    void SetUp() override {
        TasksControllerTest::SetUp();
        registerNaturalLanguageValueTransformers();
        list = newList(QStringLiteral("Errands"));
        for (int i = 1; i <= 300; ++i) {
            TDTask* task = addTask(list, QStringLiteral("Errand %1: %2")
                                             .arg(i, 3, 10, QLatin1Char('0'))
                                             .arg(QString::fromLatin1(kErrands[i % std::size(kErrands)])));
            if (i % 7 == 0) task->setDueDate(QDateTime(QDate(2026, 12, 9).addDays(i % 20), QTime(0, 0)));
            if (i % 5 == 0) task->setPriority(i % 4);
            if (i % 11 == 0) task->setNotesString(QStringLiteral("Ask at the counter first"));
        }
        processChanges();
        shown = std::make_unique<TDTasksViewController>(*manager);
        shown->resize(760, 560);
        shown->tasksController().setGroup(list);
        processChanges();
        QCoreApplication::processEvents();
    }

    void TearDown() override {
        shown.reset();
        TasksControllerTest::TearDown();
    }

    QString printToPdf(TDTasksPrintJob& job, const QString& name, int* pages) {
        const QString path = QDir(tempPath()).filePath(name);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setOutputFileName(path);
        *pages = job.print(printer);
        return path;
    }

    TDList* list = nullptr;
    std::unique_ptr<TDTasksViewController> shown;
};

TEST_F(TasksPrintTest, ALongListPrintsOnPagesBrokenBetweenRowsWithTheTitlesInOrder) {
    TDTasksPrintJob job(*shown, defaults());
    EXPECT_EQ(job.jobTitle(), QStringLiteral("Errands"));
    int pages = 0;
    const QString pdf = printToPdf(job, QStringLiteral("errands.pdf"), &pages);
    ASSERT_TRUE(QFileInfo(pdf).size() > 0);

    // The pages are those of the printed rows' heights on an A4 page within its margins.
    QPrinter a4(QPrinter::HighResolution);
    a4.setPageSize(QPageSize(QPageSize::A4));
    job.preparePrinter(a4);
    const QRect paper = a4.pageLayout().paintRectPixels(a4.resolution());
    const QList<TDPrintPage> expected = job.layOut(
        qRound(paper.width() - TDTasksPrintJob::kWidthInset * a4.resolution() / 72.0), paper.height());
    ASSERT_GT(expected.size(), 3);
    EXPECT_EQ(pages, expected.size());
    EXPECT_EQ(pdfPageCount(pdf), expected.size());

    const QString text = pdfText(pdf);
    qsizetype last = -1;
    for (int i = 1; i <= 300; ++i) {
        const QString title = QStringLiteral("Errand %1:").arg(i, 3, 10, QLatin1Char('0'));
        const qsizetype at = text.indexOf(title);
        ASSERT_GT(at, last) << title.toStdString() << " missing or out of order";
        last = at;
    }
    // Every page carries the column titles in its top margin.
    for (int page = 1; page <= pages; ++page)
        EXPECT_TRUE(pdfText(pdf, page).contains(QStringLiteral("Due"))) << "page " << page;
}

TEST_F(TasksPrintTest, AFilteredListPrintsOnlyTheShownTasksAndTheOptionsStayAsTheyWere) {
    shown->tasksController().setTitleFilterString(QStringLiteral("Errand 01"));
    processChanges();
    TDTasksPrintJob job(*shown, defaults());
    const QVariantMap options = shown->tasksController().viewOptionsForGroup(list);
    job.copy().tasksController().sortBy(QStringLiteral("Due"), true);
    int pages = 0;
    const QString text = pdfText(printToPdf(job, QStringLiteral("filtered.pdf"), &pages));
    EXPECT_EQ(pages, 1);
    EXPECT_EQ(text.count(QRegularExpression(QStringLiteral("Errand \\d{3}:"))), 10) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Errand 019:")));
    // The copy's changes never reach the group's stored options.
    EXPECT_EQ(shown->tasksController().viewOptionsForGroup(list), options);
}

// On paper a folder's rows come under its title, and each list's section stands 40 points high.
TEST_F(TasksPrintTest, AFolderPrintsUnderItsTitleWithTallListSections) {
    TDFolder* home = library()->createFolder(QStringLiteral("Home"), library()->foldersGroup());
    for (const QString& title : {QStringLiteral("Garden"), QStringLiteral("Kitchen")}) {
        TDList* list = newList(title, home);
        addTask(list, title + QStringLiteral(" chore one"));
        addTask(list, title + QStringLiteral(" chore two"));
    }
    processChanges();
    shown->tasksController().setGroup(home);
    processChanges();
    ASSERT_FALSE(shown->tasksController().hasDummyHeader());

    TDTasksPrintJob job(*shown, defaults());
    job.layOut(700, 2000);
    const TDTasksView& view = job.copy().tasksView();
    const QAbstractItemModel& rows = *view.model();
    ASSERT_EQ(rows.rowCount(), 3);
    EXPECT_EQ(rows.index(0, TDTaskTreeModel::TaskColumn).data().toString(), QStringLiteral("Home"));
    const int header = view.visualRect(rows.index(0, TDTaskTreeModel::TaskColumn)).height();
    EXPECT_GT(header, 40);
    for (int row : {1, 2})
        EXPECT_EQ(view.visualRect(rows.index(row, TDTaskTreeModel::TaskColumn)).height(), 40) << row;
    // The shown list keeps its own rows.
    EXPECT_FALSE(shown->tasksController().hasDummyHeader());

    int pages = 0;
    const QString pdf = printToPdf(job, QStringLiteral("home.pdf"), &pages);
    const QString text = pdfText(pdf);
    EXPECT_EQ(pages, 1);
    EXPECT_TRUE(savePagePicture(pdf, QStringLiteral("tasks_print_folder")));
    // The sections' soft shading never turns into black bars on paper.
    EXPECT_EQ(mostlyBlackRows(pdf), 0);
    const QRegularExpression order(
        QStringLiteral("Home[\\s\\S]*Garden[\\s\\S]*Garden chore two[\\s\\S]*Kitchen"));
    EXPECT_TRUE(order.match(text).hasMatch()) << text.toStdString();
}

// The print dialog's tab stores each choice and applies it to the list being printed.
TEST_F(TasksPrintTest, TheAccessoryTabStoresAndAppliesTheChoices) {
    TDTasksPrintJob job(*shown, defaults());
    TDPrintingAccessoryView tab(job.options());
    EXPECT_TRUE(tab.expandAllTasksBox().isChecked());
    EXPECT_TRUE(tab.linesBox().isChecked());
    tab.expandAllNotesBox().click();
    tab.linesBox().click();
    EXPECT_TRUE(job.copy().tasksView().expandAllNotes());
    EXPECT_TRUE(defaults().boolean(TDPrintOptions::ExpandAllNotesKey));
    EXPECT_FALSE(defaults().boolean(TDPrintOptions::PrintLinesKey));
    TDPrintingAccessoryView next(job.options());
    EXPECT_TRUE(next.expandAllNotesBox().isChecked());
    EXPECT_FALSE(next.linesBox().isChecked());
}

// A picture of the first printed page, for a person to look at.
TEST_F(TasksPrintTest, FirstPagePicture) {
    defaults().setValue(TDPrintOptions::PrintHeaderAndFooterKey, true);
    TDTasksPrintJob job(*shown, defaults());
    int pages = 0;
    const QString pdf = printToPdf(job, QStringLiteral("picture.pdf"), &pages);
    ASSERT_GT(pages, 0);
    EXPECT_TRUE(savePagePicture(pdf, QStringLiteral("tasks_print_first_page")));
}

}  // namespace
