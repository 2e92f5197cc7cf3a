#include "controls/gui/balloon_panel.h"
#include "controls/gui/completion_view_controller.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

class FixedContent final : public TDCompletionViewController {
public:
    QSize sizeHint() const override { return {200, 100}; }
};

// A balloon that grows keeps the edge its arrow is on: the top below its location, the bottom above it.
TEST(BalloonPanelResize, GrowingKeepsTheArrowsEdgeAndTheLeftEdge) {
    QWidget parent;
    parent.setGeometry(200, 200, 600, 500);
    parent.show();
    for (const int direction : {2, 0}) {
        auto balloon = std::make_unique<TDBalloonPanel>(&parent, QPoint(500, 450), direction,
                                                        QRect(450, 430, 100, 20), new FixedContent);
        balloon->orderFront();
        const QRect before = balloon->geometry();
        for (const bool animate : {false, true}) {
            balloon->setFrameSize(QSize(before.width(), before.height() + 40), animate);
            ASSERT_TRUE(QTest::qWaitFor([&] { return !balloon->isResizing(); }));
            const QRect after = balloon->geometry();
            EXPECT_EQ(after.height(), before.height() + 40) << direction;
            EXPECT_EQ(after.left(), before.left()) << direction;
            if (direction == 2)
                EXPECT_EQ(after.top(), before.top());
            else
                EXPECT_EQ(after.bottom(), before.bottom());
            EXPECT_TRUE(balloon->boxFrame().toRect().contains(balloon->viewController()->geometry()));
            balloon->setFrameSize(before.size(), false);
        }
    }
}

}  // namespace
