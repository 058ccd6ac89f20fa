#pragma once
// The driver closes its handles with the program's own handle wrappers.

#include "platform/win32/UniqueResource.h"

namespace hivedrive {

using hivetidy::win32::UniqueFile;
using hivetidy::win32::UniqueFindHandle;
using hivetidy::win32::UniqueHandle;
using hivetidy::win32::UniqueHkey;
// A started process with both of its handles.
using OwnedProcess = hivetidy::win32::UniqueProcessInformation;

} // namespace hivedrive
