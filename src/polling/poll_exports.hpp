// The poll handler's lifetime beyond the exports.
#pragma once

namespace flk {

// Stops and joins the polling thread and drops the handler, as unloading the library does; the
// next Poll starts a new one.
void releasePollHandler();

}  // namespace flk
