#include "app/command_bar_state.h"
#include "platform/defaults/user_defaults.h"
#include "tests/support/test_environment.h"

#include <functional>

namespace {

using Kind = TDCommandKind;
using Stack = QList<TDCommandKind>;

// Records what the bar is asked to do; its motions end at once unless held.
class RecordingBar : public TDCommandBarPresentation {
public:
    void showCommand(TDCommandKind kind) override { calls << QStringLiteral("show %1").arg(int(kind)); }
    void slideInCommand(TDCommandKind kind, TDCommandSlide from, bool push, bool animated) override {
        Q_UNUSED(animated)
        calls << QStringLiteral("slide %1 from %2%3")
                     .arg(int(kind))
                     .arg(int(from))
                     .arg(push ? QStringLiteral(" push") : QString());
    }
    void slideBackTo(TDCommandKind uncovered, bool animated) override {
        Q_UNUSED(animated)
        calls << QStringLiteral("back to %1").arg(int(uncovered));
    }
    void openBar(bool animated) override {
        Q_UNUSED(animated)
        calls << QStringLiteral("open");
        if (!holdsMotion) state->animationDidStop();
    }
    void closeBar(bool animated) override {
        Q_UNUSED(animated)
        calls << QStringLiteral("close");
        if (!holdsMotion) state->animationDidStop();
    }
    void focusInitialFirstResponder() override { ++focusReturns; }

    TDCommandBarState* state = nullptr;
    QStringList calls;
    bool holdsMotion = false;
    int focusReturns = 0;
};

class CommandBarStateTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        state = std::make_unique<TDCommandBarState>(defaults());
        bar.state = state.get();
        state->setPresentation(&bar);
        state->setAnimates(false);
        QObject::connect(state.get(), &TDCommandBarState::gotoClosing, state.get(),
                         [this] { ++gotoCancels; });
    }

    std::unique_ptr<TDCommandBarState> state;
    RecordingBar bar;
    int gotoCancels = 0;
};

// From a given start, one command of the window: what the bar shows, whether it is open, the mode it
// keeps and the mode the status-bar buttons show.
TEST_F(CommandBarStateTest, WindowCommandsFollowTheStackRules) {
    using Step = std::function<void(TDCommandBarState&)>;
    const Step hints = [](TDCommandBarState& s) { s.openTaskSubmenu(); };
    const Step filter = [](TDCommandBarState& s) { s.openTagFilter(); };
    const Step gotoView = [](TDCommandBarState& s) { s.openGoto(); };
    const struct {
        const char* name;
        QList<Step> start;
        Step command;
        Stack stack;
        bool open;
        int mode;
    } cases[] = {
        {"hints open alone", {}, hints, {Kind::Hints}, true, 1},
        {"tag filter replaces hints", {hints}, filter, {Kind::TagFilter}, true, 2},
        {"go-to on a closed bar opens alone", {}, gotoView, {Kind::Goto}, true, 3},
        {"go-to slides over the hints", {hints}, gotoView, {Kind::Hints, Kind::Goto}, true, 3},
        {"go-to again pushes nothing", {hints, gotoView}, gotoView, {Kind::Hints, Kind::Goto}, true, 3},
        {"closing go-to uncovers the tag filter",
         {filter, gotoView},
         [](TDCommandBarState& s) { s.closeGoto(true); },
         {Kind::TagFilter},
         true,
         2},
        {"closing go-to alone closes the bar",
         {gotoView},
         [](TDCommandBarState& s) { s.closeGoto(true); },
         {},
         false,
         0},
        {"toggling the tag filter under go-to only closes go-to",
         {filter, gotoView},
         [](TDCommandBarState& s) { s.toggleTagFilter(); },
         {Kind::TagFilter},
         true,
         2},
        {"toggling the hints under a tag filter's go-to shows the hints",
         {filter, gotoView},
         [](TDCommandBarState& s) { s.toggleTaskSubmenu(); },
         {Kind::Hints},
         true,
         1},
        {"toggling open hints closes the bar",
         {hints},
         [](TDCommandBarState& s) { s.toggleTaskSubmenu(); },
         {},
         false,
         0},
        {"toggling the tag filter over hints shows it",
         {hints},
         [](TDCommandBarState& s) { s.toggleTagFilter(); },
         {Kind::TagFilter},
         true,
         2},
        {"toggling go-to closes it",
         {hints, gotoView},
         [](TDCommandBarState& s) { s.toggleGoto(); },
         {Kind::Hints},
         true,
         1},
        {"going back with one command does nothing",
         {hints},
         [](TDCommandBarState& s) { s.transitionBack(true); },
         {Kind::Hints},
         true,
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        state = std::make_unique<TDCommandBarState>(defaults());
        bar.state = state.get();
        state->setPresentation(&bar);
        state->setAnimates(false);
        defaults().setValue(TDCommandBarState::ModeKey, 0);
        for (const Step& step : c.start) step(*state);
        c.command(*state);
        EXPECT_EQ(state->commandStack(), c.stack);
        EXPECT_EQ(state->isOpen(), c.open);
        EXPECT_EQ(state->mode(), c.mode);
        EXPECT_EQ(defaults().integer(TDCommandBarState::ModeKey), c.mode);
        EXPECT_EQ(state->isGotoOpen(), c.open && c.stack.last() == Kind::Goto);
        EXPECT_EQ(state->isTagFilterOpen(), c.open && c.stack.last() == Kind::TagFilter);
        EXPECT_EQ(state->isTaskSubmenuOpen(), c.open && c.stack.last() == Kind::Hints);
    }
}

TEST_F(CommandBarStateTest, GotoSlidesInFromBelowAndBackAndIsCancelledOnClose) {
    state->openTaskSubmenu();
    bar.calls.clear();
    state->openGoto();
    state->openGoto();
    state->closeGoto(false);
    EXPECT_EQ(bar.calls, (QStringList{QStringLiteral("slide 3 from 2"), QStringLiteral("back to 1")}));
    EXPECT_EQ(gotoCancels, 1);
    // Back from a slide, the keyboard returns to the task list.
    EXPECT_EQ(bar.focusReturns, 1);
}

// However the bar lets go-to go, go-to hears it once, so that it puts back the group and the dimming.
TEST_F(CommandBarStateTest, GotoIsToldOnceWhicheverWayItLeavesTheBar) {
    using Step = std::function<void(TDCommandBarState&)>;
    const struct {
        const char* name;
        Step under;
        Step leave;
        Stack stack;
        int mode;
    } cases[] = {
        {"the tag filter opened under it",
         [](TDCommandBarState& s) { s.openTagFilter(); },
         [](TDCommandBarState& s) { s.openTagFilter(); },
         {Kind::TagFilter},
         2},
        {"the hints opened over the tag filter under it",
         [](TDCommandBarState& s) { s.openTagFilter(); },
         [](TDCommandBarState& s) { s.openTaskSubmenu(); },
         {Kind::Hints},
         1},
        {"the tag filter opened with go-to alone",
         [](TDCommandBarState&) {},
         [](TDCommandBarState& s) { s.openTagFilter(); },
         {Kind::TagFilter},
         2},
        {"the bar closed under it",
         [](TDCommandBarState& s) { s.openTaskSubmenu(); },
         [](TDCommandBarState& s) { s.closeCommandBar(); },
         {},
         0},
        {"closed by its own toggle",
         [](TDCommandBarState&) {},
         [](TDCommandBarState& s) { s.toggleGoto(); },
         {},
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        state->closeCommandBar();
        c.under(*state);
        state->openGoto();
        gotoCancels = 0;
        c.leave(*state);
        EXPECT_EQ(gotoCancels, 1);
        EXPECT_FALSE(state->isGotoOpen());
        EXPECT_EQ(state->commandStack(), c.stack);
        EXPECT_EQ(state->mode(), c.mode);
    }
}

TEST_F(CommandBarStateTest, TheBarPassesThroughOpeningAndClosing) {
    bar.holdsMotion = true;
    using State = TDCommandBarState::BarState;
    EXPECT_EQ(state->barState(), State::Closed);
    state->openTagFilter();
    EXPECT_EQ(state->barState(), State::Opening);
    EXPECT_TRUE(state->isOpen());
    // Opening again while it opens starts nothing new.
    state->open();
    EXPECT_EQ(bar.calls.count(QStringLiteral("open")), 1);
    state->animationDidStop();
    EXPECT_EQ(state->barState(), State::Open);
    state->closeCommandBar();
    EXPECT_EQ(state->barState(), State::Closing);
    EXPECT_FALSE(state->isOpen());
    state->close();
    EXPECT_EQ(bar.calls.count(QStringLiteral("close")), 1);
    state->animationDidStop();
    EXPECT_EQ(state->barState(), State::Closed);
    EXPECT_TRUE(state->commandStack().isEmpty());
    // A stray end of motion changes nothing.
    state->animationDidStop();
    EXPECT_EQ(state->barState(), State::Closed);
}

TEST_F(CommandBarStateTest, TheSavedModeRestoresTheHintsAndTheTagFilterButNeverGoto) {
    const struct {
        const char* name;
        std::function<void(TDCommandBarState&)> before;
        int saved;
        Stack restored;
    } cases[] = {
        {"go-to over the hints",
         [](TDCommandBarState& s) { s.openTaskSubmenu(), s.openGoto(); },
         1,
         {Kind::Hints}},
        {"go-to over the tag filter",
         [](TDCommandBarState& s) { s.openTagFilter(), s.openGoto(); },
         2,
         {Kind::TagFilter}},
        {"go-to alone", [](TDCommandBarState& s) { s.openGoto(); }, 3, {}},
        {"closed", [](TDCommandBarState& s) { s.closeCommandBar(); }, 0, {}},
        {"tag filter", [](TDCommandBarState& s) { s.openTagFilter(); }, 2, {Kind::TagFilter}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        {
            TDCommandBarState quitting(defaults());
            c.before(quitting);
            quitting.saveMode();
        }
        EXPECT_EQ(defaults().integer(TDCommandBarState::ModeKey), c.saved);
        TDCommandBarState next(defaults());
        next.restore();
        EXPECT_EQ(next.commandStack(), c.restored);
        EXPECT_EQ(next.isOpen(), !c.restored.isEmpty());
    }
}

TEST_F(CommandBarStateTest, AnOpenBarTakesAtMostHalfTheSpaceAboveTheStatusBar) {
    EXPECT_EQ(TDCommandBarState::clampedHeight(38, 600), 38);
    EXPECT_EQ(TDCommandBarState::clampedHeight(38, 77), 38);
    EXPECT_EQ(TDCommandBarState::clampedHeight(38, 75), 37);
    EXPECT_EQ(TDCommandBarState::clampedHeight(38, 20), 10);
    EXPECT_EQ(TDCommandBarState::clampedHeight(38, -5), 0);
}

}  // namespace
