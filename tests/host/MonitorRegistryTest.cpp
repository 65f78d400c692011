// MONITORREG on the real (Wine) registry, under a monitor key of this test's own.
#include <gtest/gtest.h>

#include <string>

#include "base/Registry.h"
#include "base/WideString.h"
#include "host/MonitorRegistry.h"
#include "support/TestSupport.h"

namespace {

constexpr wchar_t kMonitorsKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors";

DWORD SzBytes(const wchar_t* s) { return static_cast<DWORD>((wcslen(s) + 1) * sizeof(wchar_t)); }

class MonitorRegistryTest : public ::testing::Test {
protected:
    MonitorRegistryTest() : m_name(twtest::UniqueName(L"TwHostMonitor")), m_reg(m_name) {}
    ~MonitorRegistryTest() override { m_reg.DeleteKey(); }

    const MONITORREG& F() { return *m_reg.MonitorInit()->pMonitorReg; }
    HANDLE Root() { return m_reg.MonitorInit()->hckRegistryRoot; }
    HANDLE Spooler() { return m_reg.MonitorInit()->hSpooler; }

    std::wstring m_name;
    twhost::MonitorRegistry m_reg;
};

TEST_F(MonitorRegistryTest, ValuesAndSubkeysRoundTrip) {
    ASSERT_TRUE(m_reg.valid()) << m_reg.OpenError();
    EXPECT_EQ(Root(), m_reg.Root());
    HANDLE ports = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(F().fpCreateKey(Root(), L"PortList", 0, KEY_ALL_ACCESS, nullptr, &ports, &disposition, Spooler()),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    const wchar_t* data = L" ";
    ASSERT_EQ(F().fpSetValue(ports, L"TWPORT1:", REG_SZ, reinterpret_cast<const BYTE*>(data), SzBytes(data),
                             Spooler()),
              ERROR_SUCCESS);
    ASSERT_EQ(F().fpSetValue(ports, L"TWPORT2:", REG_SZ, reinterpret_cast<const BYTE*>(data), SzBytes(data),
                             Spooler()),
              ERROR_SUCCESS);

    DWORD subKeys = 9, cbKey = 0, values = 0, cbValueName = 0, cbData = 0;
    ASSERT_EQ(F().fpQueryInfoKey(ports, &subKeys, &cbKey, &values, &cbValueName, &cbData, nullptr, nullptr,
                                 Spooler()),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 0u);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(cbValueName, SzBytes(L"TWPORT1:"));  // bytes, terminator included
    EXPECT_EQ(cbData, SzBytes(data));

    wchar_t name[128];
    DWORD cbName = sizeof(name), type = 0, cb = 0;
    BYTE value[520];
    cb = sizeof(value);
    ASSERT_EQ(F().fpEnumValue(ports, 0, name, &cbName, &type, value, &cb, Spooler()), ERROR_SUCCESS);
    EXPECT_EQ(cbName, wcslen(name) * sizeof(wchar_t));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(cb, SzBytes(data));

    cb = sizeof(value);
    ASSERT_EQ(F().fpQueryValue(ports, L"TWPORT2:", &type, value, &cb, Spooler()), ERROR_SUCCESS);
    EXPECT_STREQ(reinterpret_cast<wchar_t*>(value), L" ");

    ASSERT_EQ(F().fpDeleteValue(ports, L"TWPORT1:", Spooler()), ERROR_SUCCESS);
    cb = sizeof(value);
    EXPECT_EQ(F().fpQueryValue(ports, L"TWPORT1:", &type, value, &cb, Spooler()), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(F().fpCloseKey(ports, Spooler()), ERROR_SUCCESS);

    DWORD cch = 128;
    ASSERT_EQ(F().fpEnumKey(Root(), 0, name, &cch, nullptr, Spooler()), ERROR_SUCCESS);
    EXPECT_STREQ(name, L"PortList");
    HANDLE reopened = nullptr;
    ASSERT_EQ(F().fpOpenKey(Root(), L"PortList", KEY_READ, &reopened, Spooler()), ERROR_SUCCESS);
    EXPECT_EQ(F().fpCloseKey(reopened, Spooler()), ERROR_SUCCESS);
    EXPECT_EQ(F().fpDeleteKey(Root(), L"PortList", Spooler()), ERROR_SUCCESS);
    EXPECT_EQ(F().fpOpenKey(Root(), L"PortList", KEY_READ, &reopened, Spooler()), ERROR_FILE_NOT_FOUND);
}

TEST_F(MonitorRegistryTest, RefusesAForeignSpoolerHandle) {
    HANDLE key = nullptr;
    EXPECT_EQ(F().fpCreateKey(Root(), L"PortList", 0, KEY_ALL_ACCESS, nullptr, &key, nullptr, nullptr),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(F().fpSetValue(Root(), L"x", REG_DWORD, reinterpret_cast<const BYTE*>("1234"), 4,
                             reinterpret_cast<HANDLE>(0x1234)),
              ERROR_INVALID_HANDLE);
}

// The monitor finds its own name by writing "MonitorTest" through fpSetValue and looking for it
// among the subkeys of the Monitors key.
TEST_F(MonitorRegistryTest, OwnNameIsFoundUnderMonitors) {
    const wchar_t* test = L"Test";
    ASSERT_EQ(F().fpSetValue(Root(), L"MonitorTest", REG_SZ, reinterpret_cast<const BYTE*>(test), SzBytes(test),
                             Spooler()),
              ERROR_SUCCESS);
    tw::UniqueHKey monitors = tw::OpenKey(HKEY_LOCAL_MACHINE, kMonitorsKey);
    ASSERT_TRUE(monitors.valid());
    std::wstring found;
    wchar_t name[261];
    for (DWORD i = 0;; ++i) {
        DWORD cch = 261;
        if (::RegEnumKeyExW(monitors.get(), i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        tw::UniqueHKey sub = tw::OpenKey(monitors.get(), name);
        auto value = sub ? tw::ReadString(sub.get(), L"MonitorTest") : std::nullopt;
        if (value && tw::EqualsNoCase(*value, L"Test")) {
            found = name;
            break;
        }
    }
    EXPECT_EQ(found, m_name);
    EXPECT_EQ(F().fpDeleteValue(Root(), L"MonitorTest", Spooler()), ERROR_SUCCESS);
}

TEST_F(MonitorRegistryTest, DeleteKeyRemovesTheWholeMonitorKey) {
    HANDLE sub = nullptr;
    ASSERT_EQ(F().fpCreateKey(Root(), L"PortList\\Deeper", 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr, Spooler()),
              ERROR_SUCCESS);
    F().fpCloseKey(sub, Spooler());
    EXPECT_EQ(m_reg.DeleteKey(), ERROR_SUCCESS);
    EXPECT_FALSE(m_reg.valid());
    EXPECT_EQ(m_reg.MonitorInit()->hckRegistryRoot, nullptr);
    EXPECT_FALSE(tw::OpenKey(HKEY_LOCAL_MACHINE, twhost::MonitorRegistry::MonitorKeyPath(m_name)).valid());
}

TEST(MonitorRegistry, EmptyNameOpensNothing) {
    twhost::MonitorRegistry reg(L"");
    EXPECT_FALSE(reg.valid());
    EXPECT_NE(reg.DeleteKey(), ERROR_SUCCESS);
    EXPECT_TRUE(tw::OpenKey(HKEY_LOCAL_MACHINE, kMonitorsKey).valid());
}

}  // namespace
