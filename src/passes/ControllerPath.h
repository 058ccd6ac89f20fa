#pragma once
// The one test of whether a registry text refers into the controller software's folders.

#include "passes/SharedState.h"

#include <string_view>

namespace hivetidy {

// True when the text contains C:\<folder>\OMX\{LIB,BIN,UTIL,LOG}\ for the long or the short spelling
// of the installation folder (ignoring case, anywhere in the text), and does not contain the
// component's own library name ORVAREG.DLL anywhere.
[[nodiscard]] bool RefersToControllerDir(const SharedState& state, std::string_view text);

} // namespace hivetidy
