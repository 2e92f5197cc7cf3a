#pragma once

#include "model/group.h"

// A tag, attached to any number of tasks; a title beginning with "@" makes it a context tag.
class TDTag final : public TDGroup {
public:
    using TDGroup::TDGroup;

    QString localizedTitle() const override { return title(); }
    bool isContextTag() const { return title().startsWith(QLatin1Char('@')); }
    // The token that stands for the tag in task titles.
    QString editingString() const;
    void setTitle(const QString& title) override { setTitle(title, true); }
    // An empty or blank title is ignored. With `triggerChanges` the tag's tokens in its tasks' titles follow.
    void setTitle(const QString& title, bool triggerChanges);
    // Takes over the other tag's tasks and deletes it.
    void mergeWithTag(TDTag* other);
    const QSet<QString>* keysNotAffectingModifiedDate() const override;
};
