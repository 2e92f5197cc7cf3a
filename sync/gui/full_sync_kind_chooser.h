#pragma once

#include "sync/corvane_change_set.h"

#include <QWidget>

class QComboBox;

// "For this sync:" and the pop-up of the kinds of full sync (merge, replace here, replace on the server).
class TDFullSyncKindChooser final : public QWidget {
    Q_OBJECT
public:
    explicit TDFullSyncKindChooser(TDCorvaneSyncType selected, QWidget* parent = nullptr);

    TDCorvaneSyncType syncType() const;
    QComboBox* popUp() const { return m_popUp; }

Q_SIGNALS:
    void syncTypeChanged(TDCorvaneSyncType type);

private:
    QComboBox* m_popUp;
};
