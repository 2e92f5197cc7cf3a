#include "auxiliary/about_credit_crawl.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

TEST(AboutCreditCrawlTest, TheCrawlMovesOnePointPerTickAndStartsOverOnceTheCreditsHaveLeft) {
    // A view 100 high over a frame 400 high (the blank of 200 and credits of 200).
    const struct {
        double start;
        bool reverse;
        double shown;
        double next;
    } cases[] = {
        {100, false, 100, 101},                          // the start: the credits' top at the bottom edge
        {250, false, 250, 251}, {399, false, 399, 100},  // the credits have left at the top: over again
        {250, true, 250, 249},                           // Alt: back down
        {100, true, 100, 399},                           // back past the start: they come down from the top
    };
    for (const auto& entry : cases) {
        TDAboutCreditCrawl crawl(100);
        while (crawl.currentY() != entry.start) crawl.tick(entry.start < crawl.currentY(), 400);
        EXPECT_EQ(crawl.tick(entry.reverse, 400), entry.shown) << entry.start;
        EXPECT_EQ(crawl.currentY(), entry.next) << entry.start << (entry.reverse ? " reverse" : "");
    }
}

TEST(AboutCreditCrawlTest, TheVersionLineNamesTheVersionAndTheBuild) {
    EXPECT_TRUE(TDAboutVersionDescription().contains(
        QRegularExpression(QStringLiteral("^Version \\d+\\.\\d+\\.\\d+ \\(\\d+\\)$"))))
        << TDAboutVersionDescription().toStdString();
}

}  // namespace
