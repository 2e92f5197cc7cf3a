#include "app/tag_filter_toggle.h"

QSet<TDTag*> TDTagFilterAfterToggling(const QSet<TDTag*>& filter, TDTag* tag, bool additive) {
    if (additive) {
        QSet<TDTag*> toggled = filter;
        if (!toggled.remove(tag)) toggled.insert(tag);
        return toggled;
    }
    if (filter.size() == 1 && filter.contains(tag)) return {};
    return {tag};
}
