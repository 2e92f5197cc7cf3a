#pragma once

#include <QString>

namespace platform {

// The folder of the program's sound files: "share/ordello/sounds" beside the folder of the executable,
// which holds for the build tree (where the build copies them) and for an installed program.
QString soundResourceFolder();
// The file of the sound named `name` ("archive.oga"); a file of the same base name with another ending
// serves too. Empty when there is none.
QString soundResourcePath(const QString& name);

}  // namespace platform
