#pragma once

#include "store/library_data_upgrade.h"

class TDLibraryManager;

// The data upgrade's services answered by an open library manager: its options and its library's repair.
class TDLibraryManagerUpgradeServices final : public TDLibraryUpgradeServices {
public:
    explicit TDLibraryManagerUpgradeServices(TDLibraryManager& manager) : m_manager(manager) {}

    void removeOptions(const QStringList& keys) override;
    void fixLibrary() override;

private:
    TDLibraryManager& m_manager;
};
