#pragma once

#include "platform/base/error.h"

#include <QString>

// Copies a library's store page by page through SQLite, a consistent snapshot even while another
// connection writes or checkpoints it, unlike a file copy that could catch the store or its write-ahead
// log halfway. The copy is one file: the log's content is in it.
Status TDCopyStoreFile(const QString& sourcePath, const QString& copyPath);
