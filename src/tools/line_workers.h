// The reader and worker threads of the position tools: the calling thread reads a
// text file line by line and hands each line through a ring of work records to a
// fixed number of worker threads; a free list and two semaphores pace the reader.
#pragma once

#include <cstdio>
#include <functional>
#include <string_view>

namespace tolvaren {

// Longer lines are cut here; the rest of such a line is dropped.
constexpr int MaxToolLine = 500;

// A worker's job: worker index (0..workers-1), the record's number (1 for the first
// non-blank line) and the line without trailing whitespace.
using LineWork = std::function<void(int worker, long number, std::string_view line)>;

// Reads `in` to its end; every non-blank line after the first `skip` ones goes to
// `work` on one of `workers` threads. Returns the number of the last record read (0
// for none), once every worker has finished; -1 when reading failed.
long runLineWorkers(std::FILE* in, int workers, long skip, const LineWork& work);

}  // namespace tolvaren
