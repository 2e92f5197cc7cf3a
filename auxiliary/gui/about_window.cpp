#include "auxiliary/gui/about_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kCrawlMilliseconds = 40;
constexpr int kFadeHeight = 15;

// A white strip fading out towards the credits; it never takes the focus or the mouse.
class FadeStrip final : public QWidget {
public:
    FadeStrip(QWidget* parent, bool opaqueAtTop) : QWidget(parent), m_opaqueAtTop(opaqueAtTop) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QLinearGradient fade(0, 0, 0, height());
        fade.setColorAt(m_opaqueAtTop ? 0 : 1, QColor(255, 255, 255, 255));
        fade.setColorAt(m_opaqueAtTop ? 1 : 0, QColor(255, 255, 255, 0));
        painter.fillRect(rect(), fade);
    }

private:
    bool m_opaqueAtTop;
};

QString creditsHtml() {
    QFile file(QStringLiteral(":/about/Credits.html"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace

TDAboutCreditView::TDAboutCreditView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void TDAboutCreditView::setCreditsHtml(const QString& html) {
    m_credits.setHtml(html);
    m_credits.setTextWidth(width());
    update();
}

double TDAboutCreditView::frameHeight() const {
    return TDAboutCreditCrawl::topBlank(height()) + m_credits.size().height();
}

void TDAboutCreditView::setScrollPosition(double y) {
    m_y = y;
    update();
}

void TDAboutCreditView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.translate(0, TDAboutCreditCrawl::topBlank(height()) - m_y);
    m_credits.drawContents(&painter);
}

void TDAboutCreditView::resizeEvent(QResizeEvent* event) {
    m_credits.setTextWidth(width());
    QWidget::resizeEvent(event);
}

void TDAboutCreditView::wheelEvent(QWheelEvent* event) {
    event->ignore();
}

TDAboutWindow::TDAboutWindow()
    : m_credits(new TDAboutCreditView(this)),
      m_topFade(new FadeStrip(this, true)),
      m_bottomFade(new FadeStrip(this, false)),
      m_timer(new QTimer(this)) {
    setWindowTitle(tr("About Ordello"));
    // Nothing inside takes the keyboard: the window itself hears Space and Escape.
    setFocusPolicy(Qt::StrongFocus);
    setWindowFlag(Qt::WindowMinMaxButtonsHint, false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, QColor(0x33, 0x33, 0x33));
    setPalette(palette);

    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(64, 64));
    icon->setAlignment(Qt::AlignCenter);
    auto* name = new QLabel(QStringLiteral("Ordello"), this);
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    name->setFont(big);
    name->setAlignment(Qt::AlignCenter);
    auto* version = new QLabel(TDAboutVersionDescription(), this);
    version->setObjectName(QStringLiteral("versionDescription"));
    version->setAlignment(Qt::AlignCenter);
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_credits->setCreditsHtml(creditsHtml());
    m_credits->setMinimumHeight(150);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    if (!QApplication::windowIcon().isNull()) layout->addWidget(icon);
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addSpacing(12);
    layout->addWidget(m_credits, 1);
    setFixedSize(340, QApplication::windowIcon().isNull() ? 300 : 370);
    m_topFade->raise();
    m_bottomFade->raise();

    m_timer->setInterval(kCrawlMilliseconds);
    connect(m_timer, &QTimer::timeout, this,
            [this] { crawlStep(QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier)); });
}

bool TDAboutWindow::isCrawling() const {
    return m_timer->isActive();
}

void TDAboutWindow::toggleCreditCrawl() {
    if (isCrawling())
        stopCrawl();
    else
        startCrawl();
}

void TDAboutWindow::startCrawl() {
    m_timer->start();
}

void TDAboutWindow::stopCrawl() {
    m_timer->stop();
}

void TDAboutWindow::crawlStep(bool reverse) {
    m_credits->setScrollPosition(m_crawl.tick(reverse, m_credits->frameHeight()));
    m_topFade->update();
    m_bottomFade->update();
}

void TDAboutWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        toggleCreditCrawl();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TDAboutWindow::closeEvent(QCloseEvent* event) {
    stopCrawl();
    QWidget::closeEvent(event);
    Q_EMIT closed();
}

void TDAboutWindow::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), Qt::white);
}

void TDAboutWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    p_placeFadeStrips();
}

void TDAboutWindow::p_placeFadeStrips() {
    // After the layout has placed the credits.
    QTimer::singleShot(0, this, [this] {
        const QRect credits = m_credits->geometry();
        m_topFade->setGeometry(credits.x(), credits.y(), credits.width(), kFadeHeight);
        m_bottomFade->setGeometry(credits.x(), credits.bottom() - kFadeHeight + 1, credits.width(),
                                  kFadeHeight);
        if (m_crawl.currentY() == 0) m_crawl.reset(m_credits->height());
        m_credits->setScrollPosition(m_crawl.currentY());
    });
}
