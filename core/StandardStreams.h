#pragma once

namespace gb {

// Makes the standard streams safe to write to, however the program was started. Closed
// descriptors 0, 1 and 2 are opened on /dev/null: otherwise the next file or connection the
// program opens (the window system's, say) would get that number, and console lines would
// be written into it. Writing to a pipe whose reader has gone (gumbolt | head) becomes an
// error that the console ignores instead of a signal that ends the game before it saves.
// Call it first thing in main, before anything else opens a descriptor.
void secureStandardStreams();

}  // namespace gb
