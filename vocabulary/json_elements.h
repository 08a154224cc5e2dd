#pragma once
// Writes the elements of a long array on two threads: the text is the same as
// one thread writes, in about half the time where a second core is free.
#include <cstddef>
#include <functional>

#include "vocabulary/json_writer.h"

namespace velmorin {

// Writes elements 0 to count - 1 into the array open in `out`, each by
// `writeOne(writer, i)`, which must be safe to call from two threads at once.
// Blocks of elements alternate between this thread and a helper, which keeps
// at most two blocks waiting: the memory is that of a few hundred elements,
// never of the whole list. An exception in either thread is thrown here.
void writeElements(JsonWriter& out, std::size_t count, const std::function<void(JsonWriter&, std::size_t)>& writeOne);

}  // namespace velmorin
