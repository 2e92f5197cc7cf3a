#include "platform/transformers/value_transformer.h"

#include <QHash>
#include <QMutex>

namespace platform {

namespace {
QMutex g_mutex;
QHash<QString, std::shared_ptr<const ValueTransformer>>& registry() {
    static QHash<QString, std::shared_ptr<const ValueTransformer>> r;
    return r;
}
}  // namespace

void setValueTransformer(const QString& name, std::shared_ptr<const ValueTransformer> transformer) {
    QMutexLocker lock(&g_mutex);
    registry().insert(name, std::move(transformer));
}

std::shared_ptr<const ValueTransformer> valueTransformerForName(const QString& name) {
    QMutexLocker lock(&g_mutex);
    return registry().value(name);
}

}  // namespace platform
