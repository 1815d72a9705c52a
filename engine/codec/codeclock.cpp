#include "codec/codeclock.h"

std::mutex& CodecLock() {
    static std::mutex lock;
    return lock;
}
