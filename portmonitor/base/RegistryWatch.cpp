#include "base/RegistryWatch.h"

#include "base/Registry.h"

namespace tw {

bool RegistryWatch::Arm(HKEY root, const std::wstring& subKey) {
    m_armed = false;
    if (!m_changed) m_changed.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    // The key is opened anew each time: a watched key that was deleted takes no notification.
    m_key = OpenKey(root, subKey, KEY_NOTIFY);
    if (!m_changed || !m_key) return false;
    ::ResetEvent(m_changed.get());  // after the old handle closed, which may have signalled it
    constexpr DWORD kFilter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;
    m_armed = ::RegNotifyChangeKeyValue(m_key.get(), TRUE, kFilter, m_changed.get(), TRUE) == ERROR_SUCCESS;
    return m_armed;
}

bool RegistryWatch::Unchanged() const {
    return m_armed && ::WaitForSingleObject(m_changed.get(), 0) == WAIT_TIMEOUT;
}

void RegistryWatch::Disarm() {
    m_armed = false;
    m_key.reset();
}

}  // namespace tw
