// Shared pieces of the benchmark program: the recorded results, the summaries printed after
// the run, and a heap counter that every measured library can report its allocations to.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

// A counter of one finished benchmark ("bytes_per_second", or one the case set itself), the
// median when it ran repeatedly; nothing when it was filtered out, failed or set no such counter.
std::optional<double> RunCounter(const std::string& benchmarkName, const std::string& counter);

// A table a benchmark file prints after all runs, from RunCounter. Call from a static
// initialiser; summaries print in the order they were added.
bool AddSummary(std::function<void(std::ostream&)> print);

// A whole file's bytes; false when it cannot be opened or read.
bool ReadFileBytes(const std::string& path, std::string& bytes);

// Counts the heap bytes live between StartHeapCount and StopHeapCount, whoever allocates
// them: operator new, and the peer libraries' hooks below. Sizes are the allocator's usable
// sizes, so every library is charged the same way for its small blocks.
void StartHeapCount();
std::size_t HeapBytesLive();
std::size_t HeapBytesPeak();
void StopHeapCount();

void* CountedMalloc(std::size_t size);
void* CountedRealloc(void* block, std::size_t size);
void CountedFree(void* block);
char* CountedStrdup(const char* text);
