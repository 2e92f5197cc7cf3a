#include "platform/files/workspace.h"

namespace platform {

namespace {
Workspace* sharedWorkspace = nullptr;
}  // namespace

Workspace* Workspace::shared() {
    return sharedWorkspace;
}

void Workspace::setShared(Workspace* workspace) {
    sharedWorkspace = workspace;
}

}  // namespace platform
