#pragma once

#include <string>

namespace tonalyx::requests {

// A name in folder (empty: the current folder) for a new temporary file of this process:
// ".tonalyx-PID-N.tmp", short, so that it fits wherever the final name fits.
std::string TemporaryName(const std::string& folder);

// Temporary files that a signal must not leave behind: registered while they exist, removed by
// the handlers RemoveTemporariesOnSignals installs. Registering and the handlers use no lock
// and no allocation, so that a signal may come at any moment.
void RegisterTemporary(const std::string& path);
void ForgetTemporary(const std::string& path);

// On SIGINT, SIGTERM, SIGHUP, SIGQUIT and SIGPIPE: removes the registered temporary files, then
// ends the process by the same signal, as it would have ended without the handler.
void RemoveTemporariesOnSignals();

// Removes the temporary files in folder that a process of ours left when it was killed (one
// that no signal handler can catch): files named as TemporaryName names them whose process no
// longer runs. Returns how many were removed.
int RemoveStaleTemporaries(const std::string& folder);

}  // namespace tonalyx::requests
