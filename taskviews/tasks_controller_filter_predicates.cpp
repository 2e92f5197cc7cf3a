#include "taskviews/tasks_controller_filter_predicates.h"

#include "model/tag.h"
#include "model/task.h"
#include "platform/objectstore/managed_object.h"
#include "platform/predicates/string_folding.h"

namespace {

TDTask* taskOf(const QVariant& object) {
    return TDTask::from(platform::managedObjectFromVariant(object));
}

// Shared by both filters: what is left to the subclasses is the test and its text.
class TaskFilterPredicate : public platform::Predicate {
public:
    platform::PredicatePtr substitutingVariables(const QVariantMap&, QString*) const override {
        return shared_from_this();
    }
    bool isEqual(const Predicate& other) const override { return &other == this; }
};

class TagFilterPredicate final : public TaskFilterPredicate {
public:
    explicit TagFilterPredicate(const QSet<TDTag*>& tags) {
        for (TDTag* tag : tags) m_tags.insert(static_cast<TDGroup*>(tag));
    }
    bool evaluate(const QVariant& object, const QVariantMap&) const override {
        TDTask* task = taskOf(object);
        if (!task) return false;
        if (carriesAll(task->tags())) return true;
        return task->hasSubtasks() && carriesAll(task->allTagsInTree());
    }
    using Predicate::evaluate;
    QString format() const override {
        QStringList titles;
        for (TDGroup* tag : m_tags) titles << tag->title();
        titles.sort();
        const QString set = QStringLiteral("{\"%1\"}").arg(titles.join(QStringLiteral("\", \"")));
        return QStringLiteral("(ALL %1 IN tags) OR (orderedTasks.@count > 0 AND ALL %1 IN allTagsInTree)")
            .arg(set);
    }

private:
    bool carriesAll(const QList<TDGroup*>& carried) const {
        qsizetype found = 0;
        for (TDGroup* tag : carried)
            if (m_tags.contains(tag)) ++found;
        return found >= m_tags.size();
    }
    QSet<TDGroup*> m_tags;
};

class TitleFilterPredicate final : public TaskFilterPredicate {
public:
    explicit TitleFilterPredicate(const QString& text) : m_text(text), m_folded(fold(text)) {}
    bool evaluate(const QVariant& object, const QVariantMap&) const override {
        TDTask* task = taskOf(object);
        return task && fold(task->combinedTitlesFromTree()).contains(m_folded);
    }
    using Predicate::evaluate;
    QString format() const override {
        return QStringLiteral("combinedTitlesFromTree CONTAINS[cd] \"%1\"").arg(m_text);
    }

private:
    static QString fold(const QString& text) { return platform::removingDiacritics(text).toCaseFolded(); }
    QString m_text;
    QString m_folded;
};

}  // namespace

platform::PredicatePtr TDMakeTagFilterPredicate(const QSet<TDTag*>& tags) {
    return std::make_shared<TagFilterPredicate>(tags);
}

platform::PredicatePtr TDMakeTitleFilterPredicate(const QString& text) {
    return std::make_shared<TitleFilterPredicate>(text);
}
