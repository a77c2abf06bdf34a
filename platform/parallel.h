#pragma once

// Independent pieces of work shared among threads.

#include <cstddef>
#include <functional>

// Calls work(index, calling) once for every index below `count`, on up to
// `jobs` threads, the calling thread among them (`calling` says which), each
// thread taking the next index not yet begun. Once a call returns false, no
// further index is begun; returns whether every index was done.
bool forEachIndex(std::size_t count, int jobs,
                  const std::function<bool(std::size_t index, bool calling)>& work);
