#include "app/SingleInstance.h"

namespace qeb {

SingleInstance::SingleInstance() : m_mutex(::CreateMutexW(nullptr, FALSE, L"QEB_INFO_EXE_MUTEX")) {
    if (!m_mutex) {
        return;  // no guard, but the run goes on
    }
    m_heldElsewhere = ::WaitForSingleObject(m_mutex.Get(), 0) == WAIT_TIMEOUT;
}

SingleInstance::~SingleInstance() {
    if (m_mutex) {
        ::ReleaseMutex(m_mutex.Get());
    }
}

}  // namespace qeb
