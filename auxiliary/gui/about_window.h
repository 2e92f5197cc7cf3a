#pragma once

#include "auxiliary/about_credit_crawl.h"

#include <QTextDocument>
#include <QWidget>

class QTimer;

// The credits, drawn at the crawl's position; the wheel does not scroll them.
class TDAboutCreditView final : public QWidget {
    Q_OBJECT
public:
    explicit TDAboutCreditView(QWidget* parent = nullptr);

    void setCreditsHtml(const QString& html);
    // The blank and the credits together.
    double frameHeight() const;
    void setScrollPosition(double y);
    double scrollPosition() const { return m_y; }
    QSize sizeHint() const override { return {300, 150}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    QTextDocument m_credits;
    double m_y = 0;
};

// The about window: the program's name and version line over the crawling credits, between two white
// fade strips. Space (without modifiers) pauses and resumes the crawl; Escape closes the window.
class TDAboutWindow final : public QWidget {
    Q_OBJECT
public:
    TDAboutWindow();

    bool isCrawling() const;
    // Starts the crawl when it is paused, else pauses it.
    void toggleCreditCrawl();
    void startCrawl();
    void stopCrawl();
    TDAboutCreditView& creditView() const { return *m_credits; }
    // One step of the crawl, as the timer takes it; reverse while Alt is held.
    void crawlStep(bool reverse);

Q_SIGNALS:
    void closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void p_placeFadeStrips();

    TDAboutCreditView* m_credits;
    QWidget* m_topFade;
    QWidget* m_bottomFade;
    QTimer* m_timer;
    TDAboutCreditCrawl m_crawl;
};
