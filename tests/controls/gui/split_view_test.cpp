#include "controls/gui/split_view.h"
#include "platform/defaults/user_defaults.h"
#include "tests/support/test_environment.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

// Lets the first pane collapse and keeps it at least `minimum` long otherwise.
class CollapsingDelegate : public TDSplitViewDelegate {
public:
    bool canCollapseSubview(TDSplitView&, int index) override { return index == 0; }
    int constrainMinCoordinate(TDSplitView&, int proposed, int) override { return proposed + minimum; }
    void didCloseSubviewAfterCollapsing(TDSplitView&, int index) override { collapsed.append(index); }
    void didFinishResizingSubviews(TDSplitView&) override { ++finishedDrags; }

    int minimum = 100;
    QList<int> collapsed;
    int finishedDrags = 0;
};

// Names a grip in the second pane as another place to take the divider.
class GripDelegate : public CollapsingDelegate {
public:
    QRect additionalEffectiveRect(TDSplitView& splitView, int) override {
        if (!grip || !grip->isVisible()) return {};
        return {grip->mapTo(&splitView, QPoint(0, 0)), grip->size()};
    }
    void dividerDoubleClicked(TDSplitView&, int dividerIndex) override { doubleClicked.append(dividerIndex); }

    QWidget* grip = nullptr;
    QList<int> doubleClicked;
};

// Two panes in a 401-point wide (or high) window: 150 and 250 with the 1-point divider between.
class SplitViewTest : public testsupport::TempFoldersTest {
protected:
    void open(Qt::Orientation orientation, const QString& name = QStringLiteral("Test")) {
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        split = new TDSplitView(orientation, window.get());
        split->setAutosaveName(name);
        split->addWidget(new TDSplitViewSubview);
        split->addWidget(new TDSplitViewSubview);
        layout->addWidget(split);
        window->resize(orientation == Qt::Horizontal ? QSize(401, 300) : QSize(300, 401));
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        split->setSizes({150, 250});
        QCoreApplication::processEvents();
    }
    void TearDown() override {
        window.reset();
        testsupport::TempFoldersTest::TearDown();
    }
    QList<int> lengths() const { return {split->subviewLength(0), split->subviewLength(1)}; }

    // Drags the divider by `delta` along the split.
    void dragDivider(int delta) {
        QSplitterHandle* handle = split->handle(1);
        const QPoint start = handle->mapToGlobal(handle->rect().center());
        const QPoint step = split->orientation() == Qt::Horizontal ? QPoint(delta, 0) : QPoint(0, delta);
        auto send = [&](QEvent::Type type, const QPoint& global, Qt::MouseButtons buttons) {
            QMouseEvent event(type, handle->mapFromGlobal(global), global, Qt::LeftButton, buttons,
                              Qt::NoModifier);
            QApplication::sendEvent(handle, &event);
        };
        send(QEvent::MouseButtonPress, start, Qt::LeftButton);
        send(QEvent::MouseMove, start + step, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, start + step, Qt::NoButton);
    }

    std::unique_ptr<QWidget> window;
    TDSplitView* split = nullptr;
};

TEST_F(SplitViewTest, ClosesTowardEitherEdgeAndOpensToTheSavedLength) {
    const struct {
        Qt::Orientation orientation;
        int index;
        TDSplitViewEdge edge;
        QList<int> closed;
    } cases[] = {
        {Qt::Horizontal, 0, TDSplitViewEdge::MinX, {0, 401}},
        {Qt::Horizontal, 1, TDSplitViewEdge::MaxX, {401, 0}},
        {Qt::Vertical, 0, TDSplitViewEdge::MinY, {0, 401}},
        {Qt::Vertical, 1, TDSplitViewEdge::MaxY, {401, 0}},
    };
    for (const auto& entry : cases) {
        open(entry.orientation);
        const QList<int> before = lengths();
        const int length = before.at(entry.index);
        split->closeSubview(entry.index, entry.edge, TDSplitViewAnimation::Immediate);
        QCoreApplication::processEvents();
        EXPECT_FALSE(split->isSubviewOpen(entry.index)) << entry.index;
        EXPECT_TRUE(split->widget(entry.index)->isHidden());
        // The neighbour takes the closed pane's length and the divider's.
        EXPECT_EQ(lengths(), entry.closed);
        EXPECT_EQ(split->savedSize(entry.index), length);

        split->openSubview(entry.index, entry.edge, TDSplitViewAnimation::Immediate);
        QCoreApplication::processEvents();
        EXPECT_TRUE(split->isSubviewOpen(entry.index));
        EXPECT_EQ(lengths(), before);
    }
}

TEST_F(SplitViewTest, AnimatedClosingAndOpeningEndWhereImmediateOnesDo) {
    open(Qt::Horizontal);
    split->setAnimationDuration(0.05);
    split->closeSubview(0, TDSplitViewEdge::MinX, TDSplitViewAnimation::Animated);
    EXPECT_EQ(split->animationState(), 2);
    split->finishAnimation();
    EXPECT_EQ(split->animationState(), 0);
    EXPECT_FALSE(split->isSubviewOpen(0));
    EXPECT_EQ(lengths(), (QList<int>{0, 401}));

    // The blocking mode returns with the pane in place.
    split->openSubview(0, TDSplitViewEdge::MinX, TDSplitViewAnimation::Blocking);
    EXPECT_EQ(split->animationState(), 0);
    EXPECT_EQ(lengths(), (QList<int>{150, 250}));
}

TEST_F(SplitViewTest, OpeningWithoutASavedLengthOrToThePresentOneKeepsThePane) {
    open(Qt::Horizontal, QStringLiteral("Fresh"));
    EXPECT_EQ(split->savedSize(0), 0.0);
    split->openSubview(0, TDSplitViewEdge::MinX, TDSplitViewAnimation::Immediate);
    EXPECT_EQ(lengths(), (QList<int>{150, 250}));
    split->openSubview(1, TDSplitViewEdge::MaxX, TDSplitViewAnimation::Animated, 250);
    EXPECT_EQ(split->animationState(), 0);
    EXPECT_EQ(lengths(), (QList<int>{150, 250}));
}

TEST_F(SplitViewTest, LengthsRoundTripThroughTheUserDefaults) {
    open(Qt::Horizontal, QStringLiteral("Main"));
    split->closeSubview(1, TDSplitViewEdge::MaxX, TDSplitViewAnimation::Immediate);
    split->setSizes({320, 0});
    split->autosave();
    // An open pane stores its length, a closed one keeps the one it had.
    const QVariantList stored =
        platform::UserDefaults::standard().value(QStringLiteral("TDSplitView Subview Lengths Main")).toList();
    EXPECT_EQ(stored, (QVariantList{401.0, 250.0}));

    // A fresh store with nothing saved: one number per pane, 0 for a closed one.
    platform::UserDefaults::standard().removeValue(QStringLiteral("TDSplitView Subview Lengths Main"));
    split->autosave();
    EXPECT_EQ(
        platform::UserDefaults::standard().value(QStringLiteral("TDSplitView Subview Lengths Main")).toList(),
        (QVariantList{401.0, 0.0}));

    // Another split view of the same name reads what this one saved.
    split->saveSize(180, 1);
    open(Qt::Horizontal, QStringLiteral("Main"));
    EXPECT_EQ(split->savedSize(0), 401.0);
    EXPECT_EQ(split->savedSize(1), 180.0);
}

TEST_F(SplitViewTest, DraggingPastHalfTheMinimumCollapsesThePane) {
    open(Qt::Horizontal);
    CollapsingDelegate delegate;
    split->setDelegate(&delegate);

    // Within the limit the divider follows; short of it, it stops at the limit.
    dragDivider(30);
    EXPECT_EQ(lengths(), (QList<int>{180, 220}));
    dragDivider(-100);
    EXPECT_EQ(lengths(), (QList<int>{100, 300}));
    EXPECT_TRUE(delegate.collapsed.isEmpty());

    // Beyond half of the minimum the pane closes, keeping the length it had before the drag.
    dragDivider(-60);
    EXPECT_EQ(delegate.collapsed, QList<int>{0});
    EXPECT_EQ(delegate.finishedDrags, 3);
    EXPECT_TRUE(split->widget(0)->isHidden());
    EXPECT_EQ(lengths(), (QList<int>{0, 401}));
    EXPECT_EQ(split->savedSize(0), 100.0);
    split->openSubview(0, TDSplitViewEdge::MinX, TDSplitViewAnimation::Immediate);
    EXPECT_EQ(lengths(), (QList<int>{100, 300}));
    split->setDelegate(nullptr);
}

TEST_F(SplitViewTest, AGripTheDelegateNamesDragsTheDividerWithinItsLimits) {
    open(Qt::Horizontal);
    auto* grip = new QWidget(split->widget(1));
    grip->setGeometry(0, 0, 15, 20);
    auto* elsewhere = new QWidget(split->widget(1));
    elsewhere->setGeometry(100, 100, 20, 20);
    grip->show();
    elsewhere->show();
    GripDelegate delegate;
    delegate.grip = grip;
    split->setDelegate(&delegate);
    // Taken anywhere in it, the widget moves along with the divider.
    const auto drag = [](QWidget* widget, int dx) {
        const QPoint start = widget->mapToGlobal(QPoint(11, 4));
        QTest::mousePress(widget, Qt::LeftButton, {}, widget->mapFromGlobal(start));
        QTest::mouseMove(widget, widget->mapFromGlobal(start + QPoint(dx / 2, 0)));
        QTest::mouseMove(widget, widget->mapFromGlobal(start + QPoint(dx, 0)));
        QTest::mouseRelease(widget, Qt::LeftButton, {}, widget->mapFromGlobal(start + QPoint(dx, 0)));
    };

    drag(grip, 40);
    EXPECT_EQ(lengths(), (QList<int>{190, 210}));
    drag(grip, -70);
    EXPECT_EQ(lengths(), (QList<int>{120, 280}));
    // Short of the delegate's limit it stops there, as the divider does.
    drag(grip, -45);
    EXPECT_EQ(lengths(), (QList<int>{100, 300}));
    EXPECT_EQ(delegate.finishedDrags, 3);
    // Elsewhere in the pane a drag is the pane's own.
    drag(elsewhere, 40);
    EXPECT_EQ(lengths(), (QList<int>{100, 300}));
    EXPECT_EQ(delegate.finishedDrags, 3);

    // A double click there is the divider's.
    const QPoint inGrip = grip->rect().center();
    QMouseEvent twice(QEvent::MouseButtonDblClick, inGrip, grip->mapToGlobal(inGrip), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grip, &twice);
    EXPECT_EQ(delegate.doubleClicked, QList<int>{0});

    // A hidden grip takes nothing.
    grip->hide();
    drag(elsewhere->parentWidget(), 40);
    EXPECT_EQ(lengths(), (QList<int>{100, 300}));
    split->setDelegate(nullptr);
}

TEST_F(SplitViewTest, AnEdgeAcrossTheSplitOrAMissingPaneIsRefused) {
    open(Qt::Horizontal);
    EXPECT_FALSE(split->sanityCheckOffset(0, TDSplitViewEdge::MaxY));
    EXPECT_FALSE(split->sanityCheckOffset(2, TDSplitViewEdge::MinX));
    EXPECT_TRUE(split->sanityCheckOffset(1, TDSplitViewEdge::MaxX));
    // Nothing moves for a pane that does not exist.
    split->closeSubview(2, TDSplitViewEdge::MinX, TDSplitViewAnimation::Immediate);
    EXPECT_EQ(lengths(), (QList<int>{150, 250}));
}

}  // namespace
