#include "auxiliary/about_credit_crawl.h"

#include "foundation/version.h"

#include <QCoreApplication>

void TDAboutCreditCrawl::reset(double viewHeight) {
    m_viewHeight = viewHeight;
    m_currentY = viewHeight;
}

double TDAboutCreditCrawl::tick(bool reverse, double frameHeight) {
    const double shown = m_currentY;
    m_currentY += reverse ? -1.0 : 1.0;
    if (m_currentY >= frameHeight)
        m_currentY = m_viewHeight;
    else if (m_currentY < m_viewHeight)
        // Backwards past the start: the credits sink out at the bottom, so they come down from the top.
        m_currentY = frameHeight - 1.0;
    return shown;
}

QString TDAboutVersionDescription() {
    return QCoreApplication::translate("TDAboutWindowController", "Version %1 (%2)")
        .arg(QStringLiteral(ORDELLO_VERSION), QStringLiteral(ORDELLO_BUILD_NUMBER));
}
