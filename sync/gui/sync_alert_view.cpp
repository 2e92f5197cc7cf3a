#include "sync/gui/sync_alert_view.h"

#include "sync/sync_alert_panel_controller.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

TDSyncAlertView::TDSyncAlertView(TDSyncAlertPanelController& controller, QWidget* parent)
    : QWidget(parent),
      m_controller(controller),
      m_message(new QLabel(this)),
      m_informative(new QLabel(this)),
      m_accessoryHolder(new QVBoxLayout),
      m_buttons(new QHBoxLayout) {
    auto* icon = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(iconSize));
    icon->setAlignment(Qt::AlignTop);
    QFont bold = m_message->font();
    bold.setBold(true);
    m_message->setFont(bold);
    for (QLabel* label : {m_message, m_informative}) {
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setMinimumWidth(320);
    }
    auto* texts = new QVBoxLayout;
    texts->setSpacing(12);
    texts->addWidget(m_message);
    texts->addWidget(m_informative);
    texts->addLayout(m_accessoryHolder);
    auto* top = new QHBoxLayout;
    top->setSpacing(16);
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(texts, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(16);
    layout->addLayout(top);
    layout->addStretch(1);
    layout->addLayout(m_buttons);
    connect(&m_controller, &TDSyncAlertPanelController::alertChanged, this, &TDSyncAlertView::p_reload);
    p_reload();
}

void TDSyncAlertView::setAccessoryWidget(QWidget* accessory) {
    if (m_accessory == accessory) return;
    if (m_accessory) {
        m_accessoryHolder->removeWidget(m_accessory);
        m_accessory->hide();
    }
    m_accessory = accessory;
    if (m_accessory) {
        m_accessory->setParent(this);
        m_accessoryHolder->addWidget(m_accessory);
        m_accessory->show();
    }
}

QWidget* TDSyncAlertView::buttonWithTag(int tag) const {
    for (QPushButton* button : findChildren<QPushButton*>())
        if (button->property("tag").toInt() == tag && m_buttons->indexOf(button) >= 0) return button;
    return nullptr;
}

void TDSyncAlertView::p_reload() {
    m_message->setText(m_controller.alert().messageText);
    m_informative->setText(m_controller.alert().informativeText);
    m_informative->setVisible(!m_controller.alert().informativeText.isEmpty());
    while (QLayoutItem* item = m_buttons->takeAt(0)) {
        if (QWidget* widget = item->widget()) widget->deleteLater();
        delete item;
    }
    m_buttons->addStretch(1);
    // The first button, the default, stands rightmost; the others to its left in order.
    const QStringList titles = m_controller.alert().buttons;
    for (qsizetype index = titles.size() - 1; index >= 0; --index) {
        auto* button = new QPushButton(titles[index], this);
        const int tag = TDSyncAlertPanelController::kFirstButtonTag + static_cast<int>(index);
        button->setProperty("tag", tag);
        button->setAutoDefault(index == 0);
        button->setDefault(index == 0);
        connect(button, &QPushButton::clicked, this, [this, tag] { m_controller.buttonPressed(tag); });
        m_buttons->addWidget(button);
    }
}
