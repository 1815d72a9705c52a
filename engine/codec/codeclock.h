#pragma once
// The process-wide codec lock.
#include <mutex>

// Held from before getJPEGFileInfo until the matching readJPEGfile returns, by every caller
// that may use the codec component from more than one thread.
std::mutex& CodecLock();
