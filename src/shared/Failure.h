#pragma once
// The program's two failure idioms.
//
// Plain propagation: a step that fails throws Failure; without a trap it ends the handler and the
// failure goes to its caller (for a callback: back into the component's walk, which passes over it).
//
// Skip mode: SkipOnFailure runs one step; a Failure inside it is passed over and the next step runs.
//
// Ending the program at once is neither: it is not a Failure and neither idiom ever catches it.

#include <stdexcept>
#include <string>
#include <utility>

namespace hivetidy {

// A step that did not succeed: a component call that raised an error, a file that cannot be used.
class Failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Runs one step in skip mode; true when it completed, false when it failed and was passed over.
template <class Step>
bool SkipOnFailure(Step&& step)
{
    try {
        std::forward<Step>(step)();
        return true;
    } catch (const Failure&) {
        return false;
    }
}

} // namespace hivetidy
