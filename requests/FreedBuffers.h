#pragma once

namespace tonalyx::requests {

// For a process that analyses file after file (the command line, a corpus worker): the
// allocator keeps the buffers of a few megabytes that each analysis frees, for the next file,
// instead of giving them back to the system and taking page faults to fill them again. Up to
// 256 MB of freed memory may stay with the process.
void KeepFreedBuffers();

}  // namespace tonalyx::requests
