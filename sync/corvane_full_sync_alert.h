#pragma once

#include "foundation/alert.h"
#include "sync/corvane_change_set.h"

#include <QString>
#include <QStringList>

// The question before a full sync: its texts, its two buttons (tags 1000 and 1001) and, unless the
// server's library is empty, the kind of full sync to run.
struct TDCorvaneFullSyncAlert {
    static constexpr int kFullSyncButton = 1000;
    static constexpr int kDeclineButton = 1001;

    TDAlert alert;
    // The kinds pop-up is offered; without it the full sync merges.
    bool offersSyncType = true;
    TDCorvaneSyncType syncType = TDCorvaneSyncType::FullMerge;

    // Required: this library has never synced with the account, so declining signs out.
    // `replaceHereByDefault`: this library holds nothing of the user's yet, so taking the server's
    // library keeps a second computer from sending its starter content up again.
    static TDCorvaneFullSyncAlert make(const QString& username, bool required, bool serverLibraryEmpty,
                                       bool replaceHereByDefault = false);

    // The pop-up's items, in the order of syncTypeForIndex.
    static QStringList syncTypeTitles();
    // 0, 1, 2 -> merge, replace here, replace on the server.
    static TDCorvaneSyncType syncTypeForIndex(int index);
    static int indexForSyncType(TDCorvaneSyncType type);
};
