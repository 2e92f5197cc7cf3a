#pragma once

#include "platform/predicates/sort_descriptor.h"

// Compares the values found at a key path of the two objects, with the platform's comparison.
class TDSortDescriptor final : public platform::SortDescriptor {
public:
    static TDSortDescriptor sortDescriptorWithKeyPath(const QString& keyPath, bool ascending);
    // Takes the other descriptor's direction and comparison.
    static TDSortDescriptor sortDescriptorWithSortDescriptor(const platform::SortDescriptor& descriptor,
                                                             const QString& keyPath);
    const QString& valueKeyPath() const { return m_valueKeyPath; }

private:
    TDSortDescriptor(const QString& keyPath, bool ascending, Comparison comparison);
    QString m_valueKeyPath;
};
