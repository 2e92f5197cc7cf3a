#include "sync/gui/full_sync_kind_chooser.h"

#include "sync/corvane_full_sync_alert.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>

TDFullSyncKindChooser::TDFullSyncKindChooser(TDCorvaneSyncType selected, QWidget* parent)
    : QWidget(parent), m_popUp(new QComboBox(this)) {
    m_popUp->addItems(TDCorvaneFullSyncAlert::syncTypeTitles());
    m_popUp->setCurrentIndex(TDCorvaneFullSyncAlert::indexForSyncType(selected));
    auto* label = new QLabel(tr("For this sync:"), this);
    label->setBuddy(m_popUp);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(m_popUp, 1);
    connect(m_popUp, &QComboBox::currentIndexChanged, this,
            [this](int index) { Q_EMIT syncTypeChanged(TDCorvaneFullSyncAlert::syncTypeForIndex(index)); });
}

TDCorvaneSyncType TDFullSyncKindChooser::syncType() const {
    return TDCorvaneFullSyncAlert::syncTypeForIndex(m_popUp->currentIndex());
}
