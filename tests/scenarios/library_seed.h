#pragma once

#include <QString>

class TDGroup;
class TDLibrary;
class TDTag;
class TDTask;

namespace scenario {

// Builds what a scenario starts from, through the model as an import would: before launch into the
// library the fixture saves, or afterwards into the running program's library.
class LibrarySeed {
public:
    explicit LibrarySeed(TDLibrary& library) : m_library(library) {}

    // Under the given folder; none: at the top of the folders.
    TDGroup* folder(const QString& title, TDGroup* parent = nullptr);
    TDGroup* list(const QString& title, TDGroup* parent = nullptr);
    // Holds the tasks whose title contains the text.
    TDGroup* smartFolder(const QString& title, const QString& titleContains, TDGroup* parent = nullptr);
    TDTag* tag(const QString& title);
    // At the end of the list, or of the parent task's sub-tasks.
    TDTask* task(TDGroup* list, const QString& title, TDTask* parent = nullptr);

    TDLibrary& library() const { return m_library; }

private:
    TDLibrary& m_library;
};

}  // namespace scenario
