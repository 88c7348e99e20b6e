#pragma once
// The workers of a listener: threads started as connections need them, up to a maximum, and kept for
// the connections that follow. When every worker is busy, connections wait their turn in arrival order.
// A large maximum therefore costs nothing while the server is quiet, and a stop joins only the threads
// that were ever needed.

#include <cstddef>

namespace httplib {
class TaskQueue;
}

// A new pool for the HTTP library's server, which owns it (and shuts it down) while it listens.
httplib::TaskQueue* NewWorkerPool(std::size_t maxWorkers);
