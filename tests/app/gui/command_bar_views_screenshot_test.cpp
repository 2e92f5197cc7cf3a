#include "app/gui/hints_command_view_controller.h"
#include "app/gui/tag_filter_view_controller.h"
#include "tests/app/gui/command_bar_views_fixture.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QLinearGradient>
#include <QPainter>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

namespace apptest {
namespace {

// The command bar's dark background, as the bar draws it under its views.
class DarkBar final : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QLinearGradient band(0, 0, 0, height());
        band.setColorAt(0, QColor::fromRgbF(0.375f, 0.375f, 0.375f));
        band.setColorAt(1, QColor::fromRgbF(0.225f, 0.225f, 0.225f));
        painter.fillRect(rect(), band);
        painter.fillRect(0, 0, width(), 1, QColor::fromRgbF(1, 1, 1, 0.15f));
        painter.fillRect(0, height() - 2, width(), 1, QColor::fromRgbF(1, 1, 1, 0.1f));
        painter.fillRect(0, height() - 1, width(), 1, QColor::fromRgbF(0, 0, 0, 0.3f));
    }
};

// Pictures of the hints bar and the tag filter bar on their dark background, for a person to look at.
class CommandBarViewsScreenshotTest : public CommandBarViewsTest {
protected:
    void SetUp() override {
        CommandBarViewsTest::SetUp();
        TDList* home = list(QStringLiteral("Home"));
        const char* tagged[][3] = {
            {"Fix the kitchen tap", "errands", "weekend"}, {"Call the plumber", "@phone", "waiting"},
            {"Order paint", "errands", "online"},          {"Paint the door", "weekend", nullptr},
            {"Book the van", "@phone", "errands"},         {"Ask Anna about the keys", "Anna", "waiting"},
            {"Sort the garage", "weekend", nullptr},       {"Renew insurance", "online", "finance"},
            {"File the receipts", "finance", nullptr},     {"Plan the garden", "someday", nullptr},
        };
        for (const auto& entry : tagged) {
            TDTask* task = addTask(home, QString::fromUtf8(entry[0]));
            for (int i = 1; i < 3; ++i)
                if (entry[i]) task->addTags({namedTag(QString::fromUtf8(entry[i]))});
            if (!first) first = task;
        }
        processChanges();
        groups->selectGroup(home);
        tasks->setSelection({first});
    }
    void TearDown() override {
        hosts.clear();
        hints.reset();
        filter.reset();
        CommandBarViewsTest::TearDown();
    }

    TDTag* namedTag(const QString& title) {
        for (TDTag* existing : library()->allTags())
            if (existing->title() == title) return existing;
        return tag(title);
    }

    void shoot(QWidget* view, int width, const QString& name) {
        auto host = std::make_unique<DarkBar>();
        auto* layout = new QVBoxLayout(host.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view);
        host->resize(width, 38);
        host->show();
        QApplication::setActiveWindow(host.get());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(host.get()));
        QCoreApplication::processEvents();
        const QImage picture = host->grab().toImage();
        const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
        QDir().mkpath(folder);
        EXPECT_TRUE(picture.save(QDir(folder).filePath(name)));
        hosts.push_back(std::move(host));
    }

    TDTask* first = nullptr;
    std::unique_ptr<TDHintsCommandViewController> hints;
    std::unique_ptr<TDTagFilterViewController> filter;
    std::vector<std::unique_ptr<QWidget>> hosts;
};

TEST_F(CommandBarViewsScreenshotTest, HintsBar) {
    hints = std::make_unique<TDHintsCommandViewController>();
    hints->setTasksController(tasks.get());
    shoot(hints->view(), 980, QStringLiteral("hints_bar.png"));
    hints->view()->parentWidget()->resize(620, 38);
    QCoreApplication::processEvents();
    EXPECT_TRUE(hints->view()->parentWidget()->grab().save(
        QDir(QStringLiteral(ORDELLO_SCREENSHOT_DIR)).filePath(QStringLiteral("hints_bar_narrow.png"))));
    hints->showTitleHelp();
    hints->view()->parentWidget()->resize(980, 38);
    QCoreApplication::processEvents();
    EXPECT_TRUE(hints->view()->parentWidget()->grab().save(
        QDir(QStringLiteral(ORDELLO_SCREENSHOT_DIR)).filePath(QStringLiteral("hints_bar_title_help.png"))));
}

TEST_F(CommandBarViewsScreenshotTest, TagFilterBar) {
    filter = std::make_unique<TDTagFilterViewController>();
    filter->setTasksController(tasks.get());
    tasks->setFilterTags({namedTag(QStringLiteral("weekend"))});
    shoot(filter->view(), 980, QStringLiteral("tag_filter_bar.png"));
    filter->view()->parentWidget()->resize(640, 38);
    QCoreApplication::processEvents();
    EXPECT_TRUE(filter->view()->parentWidget()->grab().save(
        QDir(QStringLiteral(ORDELLO_SCREENSHOT_DIR))
            .filePath(QStringLiteral("tag_filter_bar_overflow.png"))));
}

}  // namespace
}  // namespace apptest
