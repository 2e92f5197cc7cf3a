#include "app/goto_controller.h"
#include "app/gui/goto_view_controller.h"
#include "language/mnemonics.h"
#include "tests/app/groups_controller_fixture.h"
#include "tests/support/recording_sound_sink.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QToolButton>

namespace apptest {
namespace {

// The window as go-to sees it: a source list that can be hidden, and a close that tells go-to.
class FakeGotoWindow : public TDGotoWindow {
public:
    bool isSourceListHidden() const override { return hidden; }
    void toggleSourceList() override {
        hidden = !hidden;
        ++toggles;
    }
    void closeGotoView() override {
        ++closes;
        if (controller) controller->windowClosesGoto();
    }

    TDGotoController* controller = nullptr;
    bool hidden = false;
    int toggles = 0;
    int closes = 0;
};

// Go-to over a library with lists, a folder, an accented name and tags, typed into as a person would.
class GotoViewTest : public GroupsControllerTest {
protected:
    void SetUp() override {
        GroupsControllerTest::SetUp();
        TDFolder* clients = folder(QStringLiteral("Clients"));
        work = list(QStringLiteral("Work"));
        weekly = list(QStringLiteral("Weekly Review"), clients);
        list(QStringLiteral("Website Redesign"), clients);
        zurich = list(QStringLiteral("Zürich Office"));
        list(QStringLiteral("Groceries"));
        errands = tag(QStringLiteral("errands"));
        tag(QStringLiteral("@phone"));
        tag(QStringLiteral("waiting"));
        addTask(work, QStringLiteral("Send the invoice"));
        addTask(zurich, QStringLiteral("Book the meeting room"));
        processChanges();
        ASSERT_TRUE(groups->selectGroup(library()->todayGroup()));

        controller = std::make_unique<TDGotoController>(*groups, *tasks);
        gotoWindow.controller = controller.get();
        controller->setWindow(&gotoWindow);
        viewController = std::make_unique<TDGotoViewController>(*controller);
        host = std::make_unique<QWidget>();
        viewController->view()->setParent(host.get());
        viewController->view()->setGeometry(0, 0, 700, 38);
        host->resize(700, 38);
        host->show();
        QApplication::setActiveWindow(host.get());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(host.get()));
        viewController->viewDidMoveToSuperview();
    }
    void TearDown() override {
        viewController.reset();
        host.reset();
        controller.reset();
        GroupsControllerTest::TearDown();
    }

    TDAbbreviationCompleteField* field() const { return viewController->searchField(); }
    // Each character as its key on a keyboard that has it (ü included).
    void type(const QString& text) {
        for (QChar character : text)
            QTest::sendKeyEvent(QTest::Click, field(), Qt::Key(character.toUpper().unicode()),
                                QString(character), Qt::NoModifier);
    }
    void erase() {
        while (!field()->typedString().isEmpty()) QTest::keyClick(field(), Qt::Key_Backspace);
    }
    QStringList highlighted() const {
        QStringList titles;
        for (TDGroup* group : groups->highlightedGroups()) titles << group->title();
        return titles;
    }
    QString info() const {
        return viewController->infoField()->isHidden() ? QString() : viewController->infoField()->text();
    }

    testsupport::RecordingSoundSink sounds;
    FakeGotoWindow gotoWindow;
    std::unique_ptr<TDGotoController> controller;
    std::unique_ptr<TDGotoViewController> viewController;
    std::unique_ptr<QWidget> host;
    TDList* work = nullptr;
    TDList* weekly = nullptr;
    TDList* zurich = nullptr;
    TDTag* errands = nullptr;
};

TEST_F(GotoViewTest, TypedAbbreviationsShowTheBestMatchAtOnce) {
    const struct {
        QString typed;
        QString shown;
        int sourceListMode;
    } cases[] = {
        {QStringLiteral("inb"), QStringLiteral("Inbox"), 0},
        {QStringLiteral("wrk"), QStringLiteral("Work"), 0},
        {QStringLiteral("zür"), QStringLiteral("Zürich Office"), 0},
        {QStringLiteral("/err"), QStringLiteral("errands"), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        erase();
        type(c.typed);
        ASSERT_NE(tasks->group(), nullptr);
        EXPECT_EQ(tasks->group()->title(), c.shown);
        EXPECT_EQ(groups->selectedGroup(), tasks->group());
        EXPECT_TRUE(highlighted().contains(c.shown));
        EXPECT_EQ(groups->mode(), c.sourceListMode);
        // The field shows the whole name with the typed letters marked.
        EXPECT_EQ(field()->matchString(), c.sourceListMode == 1 ? QStringLiteral("/") + c.shown : c.shown);
        EXPECT_TRUE(tasks->drawsOverlay());
    }
    EXPECT_TRUE(sounds.played.isEmpty());
}

TEST_F(GotoViewTest, ArrowsStepThroughTheMatchesAndWrap) {
    type(QStringLiteral("w"));
    const QStringList matches = highlighted();
    ASSERT_GE(matches.size(), 3) << matches.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(info(), QStringLiteral("%1 found").arg(matches.size()));
    EXPECT_TRUE(viewController->arrowButton(0)->isEnabled());

    // Down walks the highlighted rows top to bottom and wraps; Up from the first goes to the last.
    QStringList visited{groups->selectedGroup()->title()};
    for (int i = 0; i < matches.size(); ++i) {
        QTest::keyClick(field(), Qt::Key_Down);
        visited << groups->selectedGroup()->title();
        EXPECT_EQ(field()->matchString(), groups->selectedGroup()->title());
    }
    EXPECT_EQ(visited.first(), visited.last()) << visited.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(QSet<QString>(visited.begin(), visited.end()), QSet<QString>(matches.begin(), matches.end()));
    const QString first = visited.at(0);
    const QString second = visited.at(1);
    QTest::keyClick(field(), Qt::Key_Down);
    EXPECT_EQ(groups->selectedGroup()->title(), second);
    QTest::keyClick(field(), Qt::Key_Up);
    EXPECT_EQ(groups->selectedGroup()->title(), first);
    // The rows in order: up from the topmost wraps to the bottommost.
    while (groups->selectedGroup()->title() != visited.at(0)) QTest::keyClick(field(), Qt::Key_Up);
    QTest::mouseClick(viewController->arrowButton(1), Qt::LeftButton);
    EXPECT_EQ(groups->selectedGroup()->title(), visited.at(visited.size() - 2));
}

TEST_F(GotoViewTest, DoneKeepsTheGroupAndRemembersTheAbbreviation) {
    type(QStringLiteral("w"));
    TDGroup* best = tasks->group();
    QTest::keyClick(field(), Qt::Key_Down);
    TDGroup* chosen = groups->selectedGroup();
    ASSERT_NE(chosen, best);
    QTest::keyClick(field(), Qt::Key_Return);

    EXPECT_EQ(tasks->group(), chosen);
    EXPECT_EQ(gotoWindow.closes, 1);
    EXPECT_TRUE(field()->text().isEmpty());
    EXPECT_TRUE(groups->highlightedGroups().isEmpty());
    EXPECT_FALSE(tasks->drawsOverlay());
    // The abbreviation now leads to the chosen group first.
    EXPECT_EQ(QSMnemonics::sharedInstance().abbrevMnemonicsForString(QStringLiteral("w")).value(0),
              chosen->uid());
    EXPECT_EQ(library()->goToGroupsMatchingAbbreviation(QStringLiteral("w")).value(0), chosen);
    EXPECT_TRUE(groups->canGoBack());
}

TEST_F(GotoViewTest, DoneWithoutAMatchRemembersNothing) {
    type(QStringLiteral("qqq"));
    QTest::keyClick(field(), Qt::Key_Return);
    EXPECT_TRUE(QSMnemonics::sharedInstance().abbrevMnemonicsForString(QStringLiteral("qqq")).isEmpty());
}

TEST_F(GotoViewTest, NoMatchBeepsOnceForEachRunOfUnmatchedTyping) {
    type(QStringLiteral("qq"));
    EXPECT_EQ(sounds.played, QStringList{QStringLiteral("beep")});
    EXPECT_EQ(info(), QStringLiteral("Not found"));
    EXPECT_FALSE(viewController->arrowButton(0)->isEnabled());
    type(QStringLiteral("qz"));
    EXPECT_EQ(sounds.played.size(), 1);
    erase();
    EXPECT_TRUE(info().isEmpty());
    type(QStringLiteral("xx"));
    EXPECT_EQ(sounds.played.size(), 2);
    // The tag marker alone switches to the tags and never beeps.
    erase();
    type(QStringLiteral("/"));
    EXPECT_EQ(groups->mode(), 1);
    EXPECT_EQ(sounds.played.size(), 2);
}

TEST_F(GotoViewTest, CancelPutsBackWhatWasShownBefore) {
    TDGroup* clients = group(QStringLiteral("Clients"));
    ASSERT_TRUE(groups->selectGroup(errands));
    tasks->setHideOldCompletedTasks(false);
    const QVariantMap optionsBefore = tasks->tabViewOptions();
    gotoWindow.hidden = true;
    groups->setMode(0);
    model()->setExpanded(model()->indexForGroup(clients), false);
    groups->setMode(1);

    // Browsing opens the source list and the folder, and shows other groups.
    type(QStringLiteral("wkr"));
    EXPECT_EQ(tasks->group(), weekly);
    EXPECT_FALSE(gotoWindow.hidden);
    EXPECT_TRUE(model()->isExpanded(model()->indexForGroup(clients)));
    QTest::keyClick(field(), Qt::Key_Down);
    QTest::mouseClick(viewController->cancelButton(), Qt::LeftButton);

    EXPECT_EQ(tasks->group(), errands);
    EXPECT_EQ(groups->selectedGroup(), errands);
    EXPECT_EQ(groups->mode(), 1);
    EXPECT_EQ(tasks->tabViewOptions(), optionsBefore);
    EXPECT_TRUE(gotoWindow.hidden);
    EXPECT_EQ(gotoWindow.closes, 1);
    EXPECT_TRUE(groups->highlightedGroups().isEmpty());
    EXPECT_FALSE(tasks->drawsOverlay());
    EXPECT_TRUE(field()->text().isEmpty());
    groups->setMode(0);
    EXPECT_FALSE(model()->isExpanded(model()->indexForGroup(clients)));
    // The history has only what the user chose.
    EXPECT_FALSE(groups->canGoForward());
}

}  // namespace
}  // namespace apptest
