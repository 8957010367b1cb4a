#pragma once
// Runs one operation over the fake drive and the recording window as they
// stand, and checks what must hold whatever went wrong on the way.
#include <cstdint>
#include <string>

// Runs the write operation (write) or the read operation, saving dump.img,
// on drive "E:\" with `start` and `count`, in the current directory; then
// checks that the volume was closed exactly once if it was opened, every
// buffer was released, no byte outside the range changed, nothing was written
// unless dump_bak.img holds the whole range as it was, a write that did not
// land whole was reported in a box, and the last status is a final one.
// dump.img and dump_bak.img stay behind: the caller clears them between runs.
// Returns the first rule broken, or an empty string.
std::string RunOperationChecked(bool write, int32_t start, int32_t count);
