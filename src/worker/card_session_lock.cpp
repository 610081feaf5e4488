#include "card_session_lock.h"

std::mutex &cardSessionLock() {
    static std::mutex lock;
    return lock;
}
