#pragma once

#include "platform/files/file_reference.h"

// The program's alias record of a file: kept in note attachments and import dictionaries as its data form.
using BDAlias = platform::FileReference;
