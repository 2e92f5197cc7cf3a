#pragma once

#include <QString>

class TDOrderedCollection;
class TDTask;

// The row that ends a section cut short by the grouping limit: it tells how many actions of the
// section's list are not shown.
class TDGroupingFooter {
public:
    explicit TDGroupingFooter(TDOrderedCollection* collection) : m_collection(collection) {}

    // Not owned: the controller that made the footer owns both.
    TDOrderedCollection* orderedCollection() const { return m_collection; }
    // "" when every action of the list is shown, else "%ld more…".
    QString displayString() const;

private:
    TDOrderedCollection* m_collection;
};

// One node of the task outline's tree; Root is the invisible root.
struct TDTaskRowItem {
    enum class Kind { Root, Header, Section, Task, Footer };
    Kind kind = Kind::Root;
    // TDOrderedCollection* (Header, Section), TDTask* (Task), TDGroupingFooter* (Footer).
    void* pointer = nullptr;

    static TDTaskRowItem root() { return {}; }
    static TDTaskRowItem header(TDOrderedCollection* collection) { return {Kind::Header, collection}; }
    static TDTaskRowItem section(TDOrderedCollection* collection) { return {Kind::Section, collection}; }
    static TDTaskRowItem task(TDTask* task) { return {Kind::Task, task}; }
    static TDTaskRowItem footer(TDGroupingFooter* footer) { return {Kind::Footer, footer}; }

    bool isRoot() const { return kind == Kind::Root; }
    TDTask* task() const { return kind == Kind::Task ? static_cast<TDTask*>(pointer) : nullptr; }
    TDOrderedCollection* collection() const {
        return kind == Kind::Header || kind == Kind::Section ? static_cast<TDOrderedCollection*>(pointer)
                                                             : nullptr;
    }
    TDGroupingFooter* footer() const {
        return kind == Kind::Footer ? static_cast<TDGroupingFooter*>(pointer) : nullptr;
    }

    bool operator==(const TDTaskRowItem&) const = default;
};

// Sums of actionCount over what a section shows and over its whole list.
qint64 TDSectionShownActionCount(TDOrderedCollection* section);
qint64 TDSectionListActionCount(TDOrderedCollection* section);
