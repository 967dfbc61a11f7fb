// The named mutex that keeps a second copy of the tool from running.
#pragma once

#include "util/UniqueOwner.h"

namespace qeb {

class SingleInstance {
public:
    SingleInstance();
    ~SingleInstance();

    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when another copy holds the mutex.
    bool IsHeldElsewhere() const { return m_heldElsewhere; }

    // A refused copy leaves its handle to the end of the process.
    void LeaveToProcessExit() { m_mutex.Release(); }

private:
    UniqueHandle m_mutex;
    bool m_heldElsewhere = false;
};

}  // namespace qeb
