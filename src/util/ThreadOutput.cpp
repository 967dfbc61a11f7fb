#include "util/ThreadOutput.h"

namespace qeb {
namespace {

thread_local LineLog* t_ownLog = nullptr;

}  // namespace

ThreadOutput::ThreadOutput(const std::wstring& logPath, _SECURITY_ATTRIBUTES* attributes)
    : m_previous(t_ownLog),
      m_error(m_log.Open(logPath, attributes, [this](unsigned long) { m_intact = false; })) {
    if (m_error == 0) {
        t_ownLog = &m_log;
    }
}

ThreadOutput::~ThreadOutput() {
    if (m_error == 0) {
        t_ownLog = m_previous;
    }
}

LineLog* ThreadOutput::OfThisThread() {
    return t_ownLog;
}

}  // namespace qeb
