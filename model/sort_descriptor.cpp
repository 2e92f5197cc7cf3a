#include "model/sort_descriptor.h"

#include "platform/kvc/key_value_coding.h"

#include <vector>

TDSortDescriptor::TDSortDescriptor(const QString& keyPath, bool ascending, Comparison comparison)
    : platform::SortDescriptor(
          QStringLiteral("self"), ascending,
          [keyPath, ascending, comparison](const QVariant& left, const QVariant& right) {
              const std::weak_ordering result =
                  platform::compareForSorting(platform::valueForKeyPath(left, keyPath),
                                              platform::valueForKeyPath(right, keyPath), comparison);
              return ascending ? result : 0 <=> result;
          },
          [keyPath, ascending, comparison](const QVariantList& objects) {
              std::vector<platform::SortValue> values;
              values.reserve(size_t(objects.size()));
              for (const QVariant& object : objects)
                  values.emplace_back(platform::valueForKeyPath(object, keyPath));
              return platform::sortKeysForValues(std::move(values), ascending, comparison);
          }),
      m_valueKeyPath(keyPath) {
}

TDSortDescriptor TDSortDescriptor::sortDescriptorWithKeyPath(const QString& keyPath, bool ascending) {
    return TDSortDescriptor(keyPath, ascending, Comparison::Default);
}

TDSortDescriptor TDSortDescriptor::sortDescriptorWithSortDescriptor(
    const platform::SortDescriptor& descriptor, const QString& keyPath) {
    return TDSortDescriptor(keyPath, descriptor.ascending(), descriptor.comparison());
}
